// The plugin component's services that forward to the manager that loaded it.
#include "plugin/zarixplugin.h"

#include "manager/ZarixPluginManager.h"

namespace zarix {

TZarixPluginManager& TZarixPlugin::LoadedBy() const {
    // Called before the manager's Initialize, the platform would dereference nothing; a clear
    // error serves the plugin author better.
    auto* manager = dynamic_cast<TZarixPluginManager*>(FManager.Get());
    if (manager == nullptr)
        throw EPluginError("Plugin \"" + GetPluginName() + "\" is not loaded by a plugin manager");
    return *manager;
}

bool TZarixPlugin::isPluginAvailable(const std::string& APluginName) const {
    return LoadedBy().getPluginByName(APluginName) != nullptr;
}

void TZarixPlugin::SendMessageBroadcast(TPluginMessagesTypes AMessageType, const std::string& AMessage,
                                        TConstArray AParams) {
    LoadedBy().SendMessageBroadcast(AMessageType, AMessage, AParams);
}

void TZarixPlugin::DatabaseCheckBroadcast(const std::string& AExistingDBVersion, bool bShowProgress) {
    LoadedBy().DatabaseCheckBroadcast(AExistingDBVersion, bShowProgress);
}

Variant TZarixPlugin::methodByName(const std::string& APluginName, const std::string& AMethodName,
                                   TConstArray AParams, TForm* ParentForm) {
    return LoadedBy().methodByName(APluginName, AMethodName, AParams, ParentForm);
}

std::unique_ptr<TResultType> TZarixPlugin::ExecuteMethod(const std::string& MethodName, TConstArray Params) {
    return LoadedBy().ExecuteMethod(MethodName, Params);
}

Variant TZarixPlugin::getClassValue(const std::string& Class_Name, const std::string& ParamName) {
    return LoadedBy().getClassValue(Class_Name, ParamName);
}

void TZarixPlugin::setClassValue(const std::string& Class_Name, const std::string& ParamName, const Variant& Value) {
    LoadedBy().setClassValue(Class_Name, ParamName, Value);
}

}  // namespace zarix
