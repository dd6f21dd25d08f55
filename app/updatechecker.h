#pragma once

#include <QSettings>
#include <QString>

#include <chrono>
#include <string>

// Asks the maker's site once whether a newer version exists and offers it.
void checkForUpdates();
// The "about" box with the version and the site address.
void showAboutBox();

// The about box's text: version and the site address.
QString aboutText();
// "a.b.c.d" as the number the update check compares: a + b/10 + c/100 + d/1000; 0.0 with fewer parts.
double versionNumber(const QString &versionText);

// One question to the site: is there a published version newer than ours that the user has not skipped?
class UpdateChecker
{
public:
    // Why the last check ended; only NewVersion shows the dialog.
    enum class Result { NotChecked, NewVersion, NoNewVersion, NoResponse, HttpStatus, NotJson, NoVersion, UnexpectedShape };

    explicit UpdateChecker(double localVersion, std::string host = defaultHost(), int port = 80);

    bool check();
    void skipThisVersion();
    void setTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds read);
    // The update dialog's text: both versions and the change notes.
    QString dialogText() const;

    std::string slug = "tarnixwin";
    std::string pageUrl;
    double localVersion;
    double skipVersion;
    bool hasNewVersion = false;
    double latestVersion = 0.0;
    std::string updateContent;
    Result lastResult = Result::NotChecked;

private:
    static std::string defaultHost();
    Result readAnswer(const std::string &body);

    std::string host;
    int port;
    std::chrono::milliseconds connectTimeout{3000};
    std::chrono::milliseconds readTimeout{5000};
    QSettings settings;
};

// What the user answered in the update dialog; NoDialog when there was nothing to offer.
enum class UpdateChoice { NoDialog, Update, Skip, Later };
// Runs the check and, when it finds a new version, the dialog and the chosen action.
UpdateChoice offerUpdate(UpdateChecker &checker);
