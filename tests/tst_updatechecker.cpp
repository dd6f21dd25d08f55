#include "platform/appconstants.h"
#include "platform/platform.h"
#include "app/updatechecker.h"
#include "modalanswers.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <httplib.h>

#include <mutex>
#include <sstream>
#include <thread>

using Result = UpdateChecker::Result;
Q_DECLARE_METATYPE(UpdateChecker::Result)
Q_DECLARE_METATYPE(UpdateChoice)

namespace {

const double localVersion = 1.0;

// Answers every update query with one fixed status and body, on a port of its own.
class AnswerServer
{
public:
    AnswerServer(int status, std::string body)
    {
        server.Get("/wp-json/wp/v2/pages", [this, status, body](const httplib::Request &req, httplib::Response &res) {
            const std::lock_guard<std::mutex> lock(mutex);
            slug = req.get_param_value("slug");
            res.status = status;
            res.set_content(body, "application/json");
        });
        port = server.bind_to_any_port("127.0.0.1");
        thread = std::thread([this] { server.listen_after_bind(); });
    }
    ~AnswerServer()
    {
        while (!server.is_running())
            std::this_thread::yield();
        server.stop();
        thread.join();
    }
    std::string requestedSlug()
    {
        const std::lock_guard<std::mutex> lock(mutex);
        return slug;
    }
    UpdateChecker checker() const { return UpdateChecker(localVersion, "127.0.0.1", port); }

    int port = 0;

private:
    httplib::Server server;
    std::thread thread;
    std::mutex mutex;
    std::string slug;
};

std::string answer(const std::string &version, const std::string &content = "\"notes\"")
{
    return R"([{"acf":{"win_version":)" + version + R"(,"win_new_content":)" + content + "}}]";
}

// Redirects a standard stream into a string for the lifetime of the object.
class StreamCapture
{
public:
    explicit StreamCapture(std::ostream &stream) : stream(stream), old(stream.rdbuf(buffer.rdbuf())) {}
    ~StreamCapture() { stream.rdbuf(old); }
    std::string text() const { return buffer.str(); }

private:
    std::ostream &stream;
    std::ostringstream buffer;
    std::streambuf *old;
};

double storedSkipVersion()
{
    QSettings settings(AppConstants::settingsOrganization, AppConstants::settingsApplication);
    return settings.value(AppConstants::skipVersionKey, 0.0).toDouble();
}

} // namespace

// Stands in for the browser: web pages opened by the program end up here.
class PageCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void openUrl(const QUrl &url) { opened.append(url); }
};

class TestUpdateChecker : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(settingsDir.isValid());
        QStandardPaths::setTestModeEnabled(true);
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
        QDesktopServices::setUrlHandler("https", &pages, "openUrl");
        QDesktopServices::setUrlHandler("http", &pages, "openUrl");
    }
    void cleanupTestCase()
    {
        QDesktopServices::unsetUrlHandler("https");
        QDesktopServices::unsetUrlHandler("http");
    }
    void init()
    {
        QSettings(AppConstants::settingsOrganization, AppConstants::settingsApplication).clear();
        pages.opened.clear();
    }

    void versionNumberFromText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("number");
        QTest::newRow("every part weighted") << "1.2.3.4" << 1.234;
        QTest::newRow("two-digit part carries") << "1.10.0.0" << 2.0;
        QTest::newRow("parts beyond four ignored") << "2.0.0.0.9" << 2.0;
        QTest::newRow("empty part counts 0") << "1..2.3" << 1.023;
        QTest::newRow("non-number part counts 0") << "1.x.5.0" << 1.05;
        QTest::newRow("three parts") << "1.2.3" << 0.0;
        QTest::newRow("empty text (no version resource)") << "" << 0.0;
    }
    void versionNumberFromText()
    {
        QFETCH(QString, text);
        QFETCH(double, number);
        QCOMPARE(versionNumber(text), number);
    }

    void checkReadsAnswer_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<double>("skip");
        QTest::addColumn<Result>("result");
        QTest::addColumn<double>("latest");
        QTest::addColumn<QString>("content");

        const auto row = [](const char *name, int status, const std::string &body, double skip, Result result,
                            double latest = 0.0, const QString &content = {}) {
            QTest::newRow(name) << status << QByteArray::fromStdString(body) << skip << result << latest << content;
        };
        row("newer version", 200, answer("1.1"), 0.0, Result::NewVersion, 1.1, "notes");
        row("UTF-8 notes with markup", 200, answer("1.5", "\"<b>修复</b>\""), 0.0, Result::NewVersion, 1.5,
            "<b>修复</b>");
        row("newer than the skipped one", 200, answer("1.2"), 1.1, Result::NewVersion, 1.2, "notes");
        row("equal to local", 200, answer("1.0"), 0.0, Result::NoNewVersion);
        row("skipped version", 200, answer("1.1"), 1.1, Result::NoNewVersion);
        row("empty array", 200, "[]", 0.0, Result::NoVersion);
        row("no win_version", 200, R"([{"acf":{}}])", 0.0, Result::NoVersion);
        row("html page", 200, "<html>maintenance</html>", 0.0, Result::NotJson);
        row("truncated json", 200, R"([{"acf":{"win_version":1.1)", 0.0, Result::NotJson);
        row("top level is an object", 200, R"({"acf":{"win_version":2,"win_new_content":"x"}})", 0.0,
            Result::UnexpectedShape);
        row("acf is false", 200, R"([{"acf":false}])", 0.0, Result::UnexpectedShape);
        row("win_version is a string", 200, answer("\"1.1\""), 0.0, Result::UnexpectedShape);
        row("win_new_content missing", 200, R"([{"acf":{"win_version":1.1}}])", 0.0, Result::UnexpectedShape);
        row("not found", 404, answer("1.1"), 0.0, Result::HttpStatus);
    }
    void checkReadsAnswer()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(double, skip);
        QFETCH(Result, result);
        QFETCH(double, latest);
        QFETCH(QString, content);

        AnswerServer server(status, body.toStdString());
        UpdateChecker checker = server.checker();
        checker.skipVersion = skip;
        const bool found = checker.check();
        QCOMPARE(checker.lastResult, result);
        QCOMPARE(found, result == Result::NewVersion);
        QCOMPARE(checker.hasNewVersion, found);
        QCOMPARE(checker.latestVersion, latest);
        QCOMPARE(QString::fromStdString(checker.updateContent), content);
        QCOMPARE(server.requestedSlug(), std::string("tarnixwin"));
    }

    void parseErrorNamesBytePosition_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("byte");
        QTest::newRow("html") << QByteArray("<html>") << 1;
        QTest::newRow("cut short") << QByteArray(R"([{"acf":)") << 9;
    }
    void parseErrorNamesBytePosition()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, byte);
        AnswerServer server(200, body.toStdString());
        UpdateChecker checker = server.checker();
        const StreamCapture errors(std::cerr);
        QVERIFY(!checker.check());
        QCOMPARE(errors.text(), "解析发生错误parse error at byte " + std::to_string(byte) + "\n");
    }

    void noAnswerEndsQuietly_data()
    {
        QTest::addColumn<bool>("listening");
        QTest::newRow("connection refused") << false;
        // Accepts connections (the kernel's backlog does) but never says a word.
        QTest::newRow("silent server ends at the time-out") << true;
    }
    // Nothing reaches the terminal: the reason goes to the tarnix.app category, off by default.
    void noAnswerEndsQuietly()
    {
        QFETCH(bool, listening);
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        const int port = server.serverPort();
        if (!listening)
            server.close();
        UpdateChecker checker(localVersion, "127.0.0.1", port);
        checker.setTimeouts(std::chrono::milliseconds(500), std::chrono::milliseconds(1000));
        const StreamCapture captured(std::cout);
        QVERIFY(!checker.check());
        QCOMPARE(checker.lastResult, Result::NoResponse);
        QVERIFY2(captured.text().empty(), captured.text().c_str());
    }

    void dialogAnswers_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<UpdateChoice>("choice");
        QTest::addColumn<bool>("pageOpened");
        QTest::addColumn<double>("stored");
        QTest::newRow("to update opens the help page") << int(QMessageBox::Ok) << UpdateChoice::Update << true << 0.0;
        QTest::newRow("skip stores the version") << int(QMessageBox::Save) << UpdateChoice::Skip << false << 1.1;
        QTest::newRow("next time does nothing") << int(QMessageBox::Cancel) << UpdateChoice::Later << false << 0.0;
        QTest::newRow("escape counts as next time") << int(QMessageBox::NoButton) << UpdateChoice::Later << false << 0.0;
    }
    void dialogAnswers()
    {
        QFETCH(int, button);
        QFETCH(UpdateChoice, choice);
        QFETCH(bool, pageOpened);
        QFETCH(double, stored);

        AnswerServer server(200, answer("1.1"));
        UpdateChecker checker = server.checker();
        MessageBoxAnswers answers({QMessageBox::StandardButton(button)});
        QCOMPARE(offerUpdate(checker), choice);
        const ModalSeen &box = answers.at(0);
        QVERIFY(box.seen);
        QCOMPARE(box.title, QString("检测到新版本"));
        QCOMPARE(box.text, QString("本地版本 : 1.000\n最新版本 : 1.100\n\n更新内容: notes"));
        QCOMPARE(box.buttons, (QMap<QMessageBox::StandardButton, QString>{
                                  {QMessageBox::Ok, "去更新"}, {QMessageBox::Save, "跳过本版本更新"}, {QMessageBox::Cancel, "下次再说"}}));
        QCOMPARE(pages.opened, pageOpened ? QList<QUrl>{QUrl(QString::fromStdString(AppConstants::helpPage))}
                                          : QList<QUrl>{});
        QCOMPARE(storedSkipVersion(), stored);
    }

    void skippedVersionStaysSkippedAfterRestart()
    {
        // Each round is a new start of the program against the same settings.
        const auto round = [](const std::string &version, QMessageBox::StandardButton click) {
            AnswerServer server(200, answer(version));
            UpdateChecker checker = server.checker();
            MessageBoxAnswers answers({click});
            return offerUpdate(checker);
        };
        QCOMPARE(round("1.1", QMessageBox::Save), UpdateChoice::Skip);
        QCOMPARE(round("1.1", QMessageBox::Cancel), UpdateChoice::NoDialog);
        QCOMPARE(round("1.2", QMessageBox::Cancel), UpdateChoice::Later);
    }

    void aboutBox()
    {
        const QString expected =
            "版本:1.0.0.0\n\n更多信息：" + QString::fromStdString(AppConstants::siteAddress) + "\n";
        QCOMPARE(aboutText(), expected);

        MessageBoxAnswers answers({QMessageBox::Ok});
        showAboutBox();
        const ModalSeen &box = answers.at(0);
        QVERIFY(box.seen);
        QCOMPARE(box.title, QString("关于软件"));
        QCOMPARE(box.text, expected);
        QCOMPARE(box.buttons.keys(), QList<QMessageBox::StandardButton>{QMessageBox::Ok});
    }

private:
    QTemporaryDir settingsDir;
    PageCatcher pages;
};

QTEST_MAIN(TestUpdateChecker)
#include "tst_updatechecker.moc"
