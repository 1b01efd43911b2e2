// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/lanterraapp.h"
#include "app/singleinstance.h"
#include "platform/processlimits.h"
#include "platform/signalbridge.h"
#include "settings/settings.h"
#include "ui/frame/mainframe.h"
#include "ui/toolkit/qttranslations.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <cstring>

namespace {

// --help and --version are answered before anything needs a display, the
// settings or the lock of a running program, as other command-line tools do.
bool AnswerInformationOption(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const char *argument = argv[i];
        if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0) {
            std::printf("Usage: lanterra [DOCUMENT.net]\n"
                        "Browse the shared folders of the local network.\n\n"
                        "Opens DOCUMENT.net, else the last saved document or a new one.\n"
                        "When the program runs already, its window opens the document.\n\n"
                        "  -h, --help     this text\n"
                        "  --version      the program's version\n\n"
                        "Scans without a window: lanterra-scan --help\n");
            return true;
        }
        if (std::strcmp(argument, "--version") == 0) {
            std::printf("lanterra %s\n", LANTERRA_VERSION);
            return true;
        }
    }
    return false;
}

// A message box with the application's title. File names are shown as they
// are, never as markup; SIGTERM or Ctrl+C closes the box too.
void ShowMessage(QMessageBox::Icon icon, const QString &text, SignalBridge &bridge, QWidget *parent = nullptr)
{
    QMessageBox box(icon, QStringLiteral("Brevant Lanterra"), text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    QObject::connect(&bridge, &SignalBridge::terminationRequested, &box, &QDialog::reject);
    box.exec();
}

} // namespace

int main(int argc, char *argv[])
{
    if (AnswerInformationOption(argc, argv))
        return 0;
    // A sweep holds two descriptors per address it checks at once.
    ProcessLimits::RaiseDescriptorLimit();
    CSettings settings;
    CSettings::setInstance(&settings);
    // One program per user and display. Declared out here: its lock is held
    // until the settings are written, so that a later start waits for them.
    SingleInstance instance;

    int exitCode = 0;
    {
        QApplication app(argc, argv);
        QApplication::setApplicationName(QStringLiteral("Lanterra"));
        QApplication::setOrganizationName(QStringLiteral("Brevant"));
        // Wayland docks match the window to the menu entry, and its icon, by this.
        QGuiApplication::setDesktopFileName(QStringLiteral("lanterra"));
        // Installed before anything slow, so that a SIGTERM during start-up
        // waits for the window instead of killing the process unsaved.
        SignalBridge signalBridge;

        // A later start hands its file (by its full path: the running
        // program has another current folder) to the running program and
        // ends before it reads or writes anything of its own.
        const QString named = CLanterraApp::CommandLineFile(QApplication::arguments());
        switch (instance.ClaimOrHandOver(named.isEmpty() ? QStringList() : QStringList{named})) {
        case SingleInstance::Claim::HandedOver:
            return 0;
        case SingleInstance::Claim::NoAnswer: {
            const QString text = QStringLiteral("Brevant Lanterra is running already but does not answer.");
            std::fprintf(stderr, "lanterra: %s\n", qPrintable(text));
            ShowMessage(QMessageBox::Critical, text, signalBridge);
            return 1;
        }
        case SingleInstance::Claim::Alone:
            std::fprintf(stderr, "lanterra: %s This window runs on its own.\n", qPrintable(instance.reason()));
            break;
        case SingleInstance::Claim::Owner:
            break;
        }
        // Settings come before the application's start-up: everything after
        // reads them.
        settings.Startup();
        // Qt's own texts (message-box buttons, file dialogs) in the language chosen.
        CQtTranslations::Install();

        // The one document of the run: opened from the command line, the
        // last saved document, or a new default one. Without it the program
        // ends at once.
        CLanterraApp lanterra(&settings);
        if (const Result<QString> started = lanterra.InitInstance(QApplication::arguments())) {
            // The main window shows the document's title and its list.
            CMainFrame window(&lanterra, &settings);
            window.show();
            // Told once, before anything about the document.
            if (const QString problem = settings.LoadProblemText(true); !problem.isEmpty()) {
                QTimer::singleShot(0, &window, [&window, &signalBridge, problem] {
                    ShowMessage(QMessageBox::Warning, problem, signalBridge, &window);
                });
            }
            if (const QString warning = started.value(); !warning.isEmpty()) {
                QTimer::singleShot(0, &window, [&window, &signalBridge, warning] {
                    ShowMessage(QMessageBox::Warning, warning, signalBridge, &window);
                });
            }

            // A desktop logout or Ctrl+C closes the window as File > Exit does.
            QObject::connect(&signalBridge, &SignalBridge::terminationRequested, &window, &QWidget::close);
            bool terminated = false;
            QObject::connect(&signalBridge, &SignalBridge::terminationRequested, [&terminated] { terminated = true; });

            // Later starts: the window comes to the front and opens their
            // file through File Open's path.
            QObject::connect(&instance, &SingleInstance::messageReceived, &window, &CMainFrame::OnHandOver);

            exitCode = app.exec();
            instance.StopAnswering();
            // The window has closed: remember the document, then close it.
            if (const Result<void> closed = lanterra.OnMainWindowClosing(); !closed) {
                exitCode = 1;
                std::fprintf(stderr, "lanterra: %s\n", qPrintable(closed.reason()));
                // Nobody is there to answer at a logout.
                if (!terminated)
                    ShowMessage(QMessageBox::Warning, closed.reason(), signalBridge);
            }
        } else {
            // No window to open a later start's file: it waits for the end.
            instance.StopAnswering();
            // Before ending, say which file and why.
            std::fprintf(stderr, "lanterra: %s\n", qPrintable(started.reason()));
            ShowMessage(QMessageBox::Critical, started.reason(), signalBridge);
            exitCode = 1;
        }
    }

    settings.Shutdown();
    CSettings::setInstance(nullptr);
    return exitCode;
}
