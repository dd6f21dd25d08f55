#include "app/interfacelanguage.h"
#include "app/mainqtwidgetsclass.h"
#include "app/updatechecker.h"
#include "media/mediabackend.h"
#include "platform/platform.h"

#include <QApplication>
#include <QTimer>
#include <QTranslator>

int main(int argc, char *argv[])
{
    returnLargeFreedBuffersPromptly();
    // The ffmpeg back end survives a busy GUI thread during recognition; the user's choice wins.
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", "ffmpeg");

    QApplication app(argc, argv);
    // Scripted runs (screenshots, demos on machines without a network) can leave the site alone.
    if (!qEnvironmentVariableIsSet("TARNIX_NO_UPDATE_CHECK"))
        QTimer::singleShot(2000, &app, [] { checkForUpdates(); });

    QTranslator translator;
    InterfaceLanguage::install(translator);

    MainQtWidgetsClass window;
    window.show();
    // Once the window is up, before the user can start a run.
    QTimer::singleShot(0, &app, [] { MediaBackend::load(); });
    return app.exec();
}
