// Loading a plugin folder and a user's database the way a host does.
#include "host_session.h"

#include "platform/rtl/strings.h"
#include "services/db/security.h"
#include "services/db/zarix_db.h"

#include <iostream>

namespace zarixctl {

using namespace zarix;

THostSession::THostSession(const TArgs& args) : Manager(std::make_unique<TZarixPluginManager>(nullptr)) {
    if (const std::string* db = args.Option("--db")) DBInt().OpenConnection("DBCONN", *db);
    if (const std::string* user = args.Option("--user")) {
        User = StrToInt(*user);
        UserSecurity().SetLoggedUser(*User);
    }
    if (const std::string* folder = args.Option("--folder")) Manager->SetPluginFolder(*folder);
    if (const std::string* ext = args.Option("--ext")) Manager->SetExtension(*ext);
    for (const std::string& file : Manager->FindPluginFiles()) {
        try {
            Manager->LoadPlugin(file, false);
        } catch (const std::exception& e) {
            Failures.push_back(file + ": " + e.what());
        }
    }
    Manager->RebuildPriorities();
    Manager->InitializePlugins();
}

THostSession::~THostSession() {
    Manager.reset();
    if (DBInt().HasConnection("DBCONN")) DBInt().CloseConnection("DBCONN");
}

void THostSession::PrintFailures() const {
    for (const std::string& failure : Failures) std::cerr << "zarixctl: not loaded: " << failure << '\n';
}

}  // namespace zarixctl
