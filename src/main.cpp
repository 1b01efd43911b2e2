#include "platform/signalbridge.h"
#include "settings/settings.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    // Settings come first: everything after reads them.
    CSettings settings;
    CSettings::setInstance(&settings);
    settings.Startup();

    int exitCode = 0;
    {
        QApplication app(argc, argv);
        QApplication::setApplicationName(QStringLiteral("Lanterra"));
        QApplication::setOrganizationName(QStringLiteral("Brevant"));

        QMainWindow window;
        window.setWindowTitle(QStringLiteral("Lanterra"));
        window.resize(600, 730);
        window.show();

        // A desktop logout or Ctrl+C closes the window as File > Exit does.
        SignalBridge signalBridge;
        QObject::connect(&signalBridge, &SignalBridge::terminationRequested, &window, &QWidget::close);

        exitCode = app.exec();
    }

    settings.Shutdown();
    CSettings::setInstance(nullptr);
    return exitCode;
}
