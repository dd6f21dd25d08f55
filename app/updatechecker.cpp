#include "updatechecker.h"

#include "platform/appconstants.h"
#include "platform/platform.h"

#include <QDebug>
#include <QLoggingCategory>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

#include <httplib.h>
#include <nlohmann/json.hpp>


Q_LOGGING_CATEGORY(lcApp, "tarnix.app", QtWarningMsg)

using nlohmann::json;

namespace {

// Only records where strict parsing stopped; the document itself comes from the non-throwing parse.
struct ErrorPositionSax : nlohmann::json_sax<json>
{
    std::size_t errorByte = 0;
    bool null() override { return true; }
    bool boolean(bool) override { return true; }
    bool number_integer(number_integer_t) override { return true; }
    bool number_unsigned(number_unsigned_t) override { return true; }
    bool number_float(number_float_t, const string_t &) override { return true; }
    bool string(string_t &) override { return true; }
    bool binary(binary_t &) override { return true; }
    bool start_object(std::size_t) override { return true; }
    bool key(string_t &) override { return true; }
    bool end_object() override { return true; }
    bool start_array(std::size_t) override { return true; }
    bool end_array() override { return true; }
    bool parse_error(std::size_t position, const std::string &, const nlohmann::detail::exception &) override
    {
        errorByte = position;
        return false;
    }
};

std::size_t parseErrorByte(const std::string &body)
{
    ErrorPositionSax sax;
    json::sax_parse(body, &sax);
    return sax.errorByte;
}

QString threeDecimals(double value)
{
    return QString::asprintf("%.3lf", value);
}

} // namespace

double versionNumber(const QString &versionText)
{
    const QStringList parts = versionText.split(QLatin1Char('.'), Qt::KeepEmptyParts);
    if (parts.size() < 4)
        return 0.0;
    const int a = parts[0].toInt(), b = parts[1].toInt(), c = parts[2].toInt(), d = parts[3].toInt();
    return ((a + b / 10.0) + c / 100.0) + d / 1000.0;
}

UpdateChecker::UpdateChecker(double localVersion, std::string host, int port)
    : pageUrl(AppConstants::helpPage)
    , localVersion(localVersion)
    , host(std::move(host))
    , port(port)
    , settings(QString::fromLatin1(AppConstants::settingsOrganization),
               QString::fromLatin1(AppConstants::settingsApplication))
{
    skipVersion = settings.value(QLatin1String(AppConstants::skipVersionKey), 0.0).toDouble();
}

std::string UpdateChecker::defaultHost()
{
    return AppConstants::siteHost;
}

void UpdateChecker::setTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds read)
{
    connectTimeout = connect;
    readTimeout = read;
}

bool UpdateChecker::check()
{
    hasNewVersion = false;
    httplib::Client client(host, port);
    // The request blocks the GUI thread at start-up, so it must not wait long for a silent site.
    client.set_connection_timeout(connectTimeout);
    client.set_read_timeout(readTimeout);
    client.set_write_timeout(readTimeout);
    const httplib::Result response = client.Get("/wp-json/wp/v2/pages?slug=" + slug);
    if (!response) {
        qCDebug(lcApp) << "HTTP error:" << QString::fromStdString(httplib::to_string(response.error()));
        lastResult = Result::NoResponse;
    } else if (response->status != 200) {
        lastResult = Result::HttpStatus;
    } else {
        lastResult = readAnswer(response->body);
    }
    hasNewVersion = lastResult == Result::NewVersion;
    return hasNewVersion;
}

UpdateChecker::Result UpdateChecker::readAnswer(const std::string &body)
{
    const json doc = json::parse(body, nullptr, false);
    if (doc.is_discarded()) {
        std::cerr << "解析发生错误parse error at byte " << parseErrorByte(body) << std::endl;
        return Result::NotJson;
    }
    const auto unexpected = [](const char *what) {
        std::cerr << "unexpected answer: " << what << std::endl;
        return Result::UnexpectedShape;
    };
    if (doc.is_null())
        return Result::NoVersion;
    if (!doc.is_array())
        return unexpected("not an array");
    if (doc.empty() || doc[0].is_null())
        return Result::NoVersion;
    const json &page = doc[0];
    if (!page.is_object())
        return unexpected("element 0 is not an object");
    const auto acf = page.find("acf");
    if (acf == page.end() || acf->is_null())
        return Result::NoVersion;
    if (!acf->is_object())
        return unexpected("\"acf\" is not an object");
    const auto version = acf->find("win_version");
    if (version == acf->end() || version->is_null())
        return Result::NoVersion;
    if (!version->is_number())
        return unexpected("\"win_version\" is not a number");
    const double published = version->get<double>();
    if (published == skipVersion || published <= localVersion) {
        qCDebug(lcApp) << "没有新版本或者跳过" << published;
        return Result::NoNewVersion;
    }
    const auto content = acf->find("win_new_content");
    if (content == acf->end() || !content->is_string())
        return unexpected("\"win_new_content\" is not a string");
    latestVersion = published;
    updateContent = content->get<std::string>();
    qCDebug(lcApp) << "有新版本:" << latestVersion << "本地版本为：" << localVersion;
    qCDebug(lcApp) << "更新内容:" << QString::fromStdString(updateContent);
    return Result::NewVersion;
}

void UpdateChecker::skipThisVersion()
{
    settings.setValue(QLatin1String(AppConstants::skipVersionKey), latestVersion);
    settings.sync();
}

QString UpdateChecker::dialogText() const
{
    return QObject::tr("本地版本") + " : " + threeDecimals(localVersion) + "\n" + QObject::tr("最新版本") + " : "
        + threeDecimals(latestVersion) + "\n\n" + QObject::tr("更新内容") + ": "
        + QString::fromStdString(updateContent);
}

UpdateChoice offerUpdate(UpdateChecker &checker)
{
    if (!checker.check())
        return UpdateChoice::NoDialog;
    QMessageBox box;
    box.setWindowTitle(QObject::tr("检测到新版本"));
    box.setText(checker.dialogText());
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Save | QMessageBox::Cancel);
    box.button(QMessageBox::Ok)->setText(QObject::tr("去更新"));
    box.button(QMessageBox::Save)->setText(QObject::tr("跳过本版本更新"));
    box.button(QMessageBox::Cancel)->setText(QObject::tr("下次再说"));
    switch (box.exec()) {
    case QMessageBox::Ok:
        openWebPage(checker.pageUrl);
        return UpdateChoice::Update;
    case QMessageBox::Save:
        checker.skipThisVersion();
        return UpdateChoice::Skip;
    default:
        qCDebug(lcApp) << "cancel!";
        return UpdateChoice::Later;
    }
}

void checkForUpdates()
{
    UpdateChecker checker(versionNumber(versionString()));
    offerUpdate(checker);
}

QString aboutText()
{
    return QObject::tr("版本:") + versionString() + "\n\n" + QObject::tr("更多信息：")
        + QString::fromStdString(AppConstants::siteAddress) + "\n";
}

void showAboutBox()
{
    QMessageBox box;
    box.setWindowTitle(QObject::tr("关于软件"));
    box.setWindowIcon(QIcon(QStringLiteral(":/new/prefix1/Resource/image/Mac-256_2x-150x150.ico")));
    box.setText(aboutText());
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}
