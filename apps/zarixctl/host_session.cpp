// Loading a plugin folder and a user's database the way a host does.
#include "host_session.h"

#include "platform/rtl/strings.h"
#include "services/db/security.h"

#include <sys/stat.h>

#include <climits>
#include <iostream>

namespace zarixctl {

using namespace zarix;

namespace {

// A user number as people type it: digits only, from 1 up; StrToInt would also take "-1",
// " 7" or "$1F".
int32_t UserNumber(const std::string& text) {
    const bool digits = !text.empty() && text.size() <= 10 &&
                        text.find_first_not_of("0123456789") == std::string::npos;
    const long long value = digits ? std::stoll(text) : 0;
    if (value < 1 || value > INT32_MAX) throw Exception("--user \"" + text + "\" is not a user number (1 or more)");
    return static_cast<int32_t>(value);
}

void RequireUser(int32_t user, const std::string& db) {
    TDBQuery query("SELECT count(*) AS n FROM Users WHERE USRUserOrigid = ?", "DBCONN");
    query.Bind(1, Variant(user));
    query.Open();
    if (query.FieldByName("n") == "0") throw Exception("no user " + std::to_string(user) + " in " + DisplayedLocation(db));
}

}  // namespace

THostConnection::THostConnection(const std::string& file, TDBOpenMode mode) {
    DBInt().OpenConnection("DBCONN", file, mode);
}

THostConnection::~THostConnection() { DBInt().CloseConnection("DBCONN"); }

void RequirePluginFolder(const TArgs& args) {
    const std::optional<std::string>& folder = args.Folder;
    struct stat st {};
    if (folder && (::stat(folder->c_str(), &st) != 0 || !S_ISDIR(st.st_mode)))
        throw Exception(*folder + ": no such plugin folder");
}

THostSession::THostSession(const TArgs& args, TDBOpenMode Mode) : Manager(std::make_unique<TZarixPluginManager>(nullptr)) {
    RequirePluginFolder(args);
    const std::optional<std::string>& db = args.Db;
    if (db) Database.emplace(*db, Mode);
    if (const std::optional<std::string>& user = args.User) {
        User = UserNumber(*user);
        if (!db) throw Exception("--user needs --db, the database the user is in");
        RequireUser(*User, *db);
        UserSecurity().SetLoggedUser(*User);
    }
    if (const std::optional<std::string>& folder = args.Folder) Manager->SetPluginFolder(*folder);
    if (const std::optional<std::string>& ext = args.Ext) Manager->SetExtension(*ext);
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

void THostSession::PrintFailures() const {
    for (const std::string& failure : Failures) std::cerr << "zarixctl: not loaded: " << failure << '\n';
}

}  // namespace zarixctl
