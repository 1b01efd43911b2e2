#include "app/lanterraapp.h"
#include "platform/signalbridge.h"
#include "settings/settings.h"
#include "ui/frame/mainframe.h"

#include <QApplication>

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
        // Installed before anything slow, so that a SIGTERM during start-up
        // waits for the window instead of killing the process unsaved.
        SignalBridge signalBridge;

        // The one document of the run: opened from the command line, the
        // last saved document, or a new default one. Without it the program
        // ends at once.
        CLanterraApp lanterra(&settings);
        if (lanterra.InitInstance(QApplication::arguments())) {
            // The main window shows the document's title and its list.
            CMainFrame window(&lanterra, &settings);
            window.show();

            // A desktop logout or Ctrl+C closes the window as File > Exit does.
            QObject::connect(&signalBridge, &SignalBridge::terminationRequested, &window, &QWidget::close);

            exitCode = app.exec();
            // The window has closed: remember the document, then close it.
            lanterra.OnMainWindowClosing();
        } else {
            exitCode = 1;
        }
    }

    settings.Shutdown();
    CSettings::setInstance(nullptr);
    return exitCode;
}
