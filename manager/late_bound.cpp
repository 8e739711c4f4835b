// Calls of one plugin's published methods and exposed objects' properties by another, by name.
#include "manager/ZarixPluginManager.h"

#include "platform/rtl/strings.h"
#include "services/exception_handler.h"

namespace zarix {

Variant TZarixPluginManager::methodByName(const std::string& APluginName, const std::string& AMethodName,
                                          TConstArray AParams, TForm* ParentForm) {
    Variant result{std::string()};
    try {
        TZarixPlugin* plugin = getPluginByName(APluginName);
        // "Nie znaleziono pluginu" = plugin not found.
        if (plugin == nullptr) throw Exception("Nie znaleziono pluginu " + APluginName);
        auto method = plugin->MethodAddress<Variant(TConstArray, TForm*)>(AMethodName);
        if (!method) {
            // "Method ... not found in plugin ..., or it is not in the published section."
            ZarixExceptionHandler(Exception(""),
                                  "Nie znaleziono metody \"" + AMethodName + "\" w pluginie \"" + APluginName +
                                      "\", lub metoda nie jest w sekcji published.",
                                  Here());
            return result;
        }
        result = method(AParams, ParentForm);
    } catch (const std::exception& e) {
        // "Blad podczas wolania metody" = error while calling the method.
        ZarixExceptionHandler(e, "Blad podczas wolania metody \"" + AMethodName + "\"", Here());
    }
    return result;
}

Variant TZarixPluginManager::getClassValue(const std::string& Class_UserName, const std::string& ParamName) {
    Variant result;
    try {
        for (TZarixPlugin* plugin : FPlugins) {
            TZarixPluginClasses* classes = plugin->Classes();
            for (int i = 0; i < classes->Count(); ++i) {
                const TZarixPluginClass* item = classes->Items(i);
                if (!SameText(item->Class_UserName(), Class_UserName) || item->Class_Object() == nullptr) continue;
                try {
                    result = GetPropValue(*item->Class_Object(), ParamName);
                } catch (...) {
                    throw EPluginError("\"" + Class_UserName + "\" property not found.");
                }
            }
        }
    } catch (const EPluginError&) {
        throw;
    } catch (...) {
        throw EPluginError("\"" + Class_UserName + "\" failed getClassValue.");
    }
    return result;
}

void TZarixPluginManager::setClassValue(const std::string& Class_UserName, const std::string& ParamName,
                                        const Variant& Value) {
    try {
        for (TZarixPlugin* plugin : FPlugins) {
            TZarixPluginClasses* classes = plugin->Classes();
            for (int i = 0; i < classes->Count(); ++i) {
                const TZarixPluginClass* item = classes->Items(i);
                // Unlike reading, writing matches the name exactly, letter case included.
                if (item->Class_UserName() == Class_UserName && item->Class_Object() != nullptr)
                    SetPropValue(*item->Class_Object(), ParamName, Value);
            }
        }
    } catch (...) {
        throw EPluginError("\"" + Class_UserName + "\" failed setClassValue.");
    }
}

}  // namespace zarix
