// zarix-desktop: the sample application as a desktop MDI program.
//   zarix-desktop [--db FILE|URL] [--folder DIR] [--user N] [--screenshots DIR]
// Without --user a login dialog asks; --screenshots runs the scripted tour and ends.
#include "desktop_session.h"
#include "login_dialog.h"
#include "scripted_tour.h"

#include "platform/ui/application.h"
#include "platform/rtl/strings.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QMainWindow>
#include <QMessageBox>

#include <iostream>

using namespace zarixdesktop;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zarix-desktop"));
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption db(QStringList{"db"},
                                "The database: an SQLite file (made with the demo users when absent), or a server "
                                "database postgresql://user@host/db or postgresql:///db?host=/socket/folder (filled "
                                "with the demo users while it holds no tables).",
                                "FILE|URL", QDir::home().filePath(QStringLiteral(".zarix-demo.db")));
    const QCommandLineOption folder(QStringList{"folder"}, "The plugin folder.", "DIR");
    const QCommandLineOption user(QStringList{"user"}, "Log this user in without asking.", "N");
    const QCommandLineOption shots(QStringList{"screenshots"}, "Run the scripted tour, writing screenshots here.", "DIR");
    parser.addOptions({db, folder, user, shots});
    parser.process(app);

    try {
        TDesktopSession session({parser.value(db).toStdString(), parser.value(folder).toStdString()});
        int32_t who = 0;
        if (parser.isSet(user)) {
            who = zarix::StrToInt(parser.value(user).toStdString());
        } else {
            const std::optional<int32_t> chosen = AskUser(session.Users(), 1);
            if (!chosen) return 0;
            who = *chosen;
        }
        if (parser.isSet(shots)) return RunScriptedTour(session, who, parser.value(shots).toStdString());
        session.OnRelogin = [&session] {
            if (const std::optional<int32_t> next = AskUser(session.Users(), session.User(), session.MainWindow()))
                session.LogIn(*next);
        };
        session.Start(who);
        for (const std::string& failure : session.Failures()) std::cerr << "zarix-desktop: not loaded: " << failure << '\n';
        // The frame hides when its closing succeeds; that ends the program.
        QObject::connect(&app, &QApplication::lastWindowClosed, &app, &QApplication::quit);
        return QApplication::exec();
    } catch (const std::exception& e) {
        std::cerr << "zarix-desktop: " << e.what() << '\n';
        return 1;
    }
}
