// Calls by name find their targets through an index; after every kind of change to what it
// indexes, each call answers as the walk over the live plugins and collections would.
#include "loading_fixture.h"

#include <functional>
#include <utility>

using namespace zarix;

namespace {

void Seven(TVarRec* result) { *result = TVarRec(int32_t{7}); }
void Eight(TVarRec* result) { *result = TVarRec(int32_t{8}); }

// An object the tests expose. A read runs OnRead first, so it can change the collections in the
// middle of a walk.
class TExposed : public TPersistent {
    ZARIX_CLASS(TExposed, TPersistent)
    explicit TExposed(int32_t value) : FValue(value) {}
    int32_t Value() const {
        if (OnRead) OnRead();
        return FValue;
    }
    void SetValue(int32_t value) {
        if (RefuseWrites) throw Exception("odmowa");
        FValue = value;
    }
    std::function<void()> OnRead;
    bool RefuseWrites = false;
    int32_t FValue;
};
ZARIX_DEFINE_CLASS(TExposed, ZARIX_PROPERTY(Value, Value, SetValue))

}  // namespace

class LateBoundIndexTest : public TwoPluginsTest {
protected:
    std::string Label() { return Manager->getClassValue("Ustawienia", "Label").AsString(); }
    Variant Value(const std::string& name) { return Manager->getClassValue(name, "Value"); }
    int32_t Execute(const std::string& name) { return Manager->ExecuteMethod(name, {})->value.VInteger; }
    // The plugin whose "Zero" routine ExecuteMethod reaches.
    std::string ZeroOf() {
        JournalTake();
        Manager->ExecuteMethod("zero", {});
        const auto journal = JournalTake();
        return journal.empty() ? "" : journal.front();
    }
    static TCodePointer Code(void (*routine)(TVarRec*)) { return reinterpret_cast<TCodePointer>(routine); }
};

TEST_F(LateBoundIndexTest, LoadingAndUnloadingMoveTheFirstAndTheLastMatch) {
    EXPECT_EQ(ZeroOf(), "zero:Beta");
    EXPECT_EQ(Label(), "Alfa");
    Manager->UnloadPlugin(0);
    EXPECT_EQ(ZeroOf(), "zero:Alfa");
    EXPECT_EQ(Manager->getPluginByName("beta"), nullptr);
    Manager->LoadPlugin(Install("beta", "beta2"), false);  // back, now loaded after Alfa
    EXPECT_EQ(ZeroOf(), "zero:Alfa");
    EXPECT_EQ(Label(), "Beta");
    EXPECT_EQ(Manager->getPluginByName("BETA"), Manager->GetPlugins(1));
}

TEST_F(LateBoundIndexTest, PluginsAreFoundByTheNameTheyHaveNow) {
    EXPECT_EQ(Manager->getPluginByName("ALFA"), Alfa);
    Alfa->SetPluginName("Omega");
    EXPECT_EQ(Manager->getPluginByName("alfa"), nullptr);
    EXPECT_EQ(Manager->methodByName("omega", "Describe", {}, nullptr).AsString(), "Alfa:0");
    Beta->SetPluginName("Omega");  // two plugins of one name: the one loaded first
    EXPECT_EQ(Manager->getPluginByName("OMEGA"), Beta);
    EXPECT_FALSE(Alfa->isPluginAvailable("Beta"));
}

TEST_F(LateBoundIndexTest, RoutinesAreFoundAsTheMethodsItemsAreNow) {
    EXPECT_THROW(Execute("Siedem"), EPluginError);
    Alfa->AddMethod("Siedem", &Seven);
    EXPECT_EQ(Execute("SIEDEM"), 7);
    Beta->AddMethod("siedem", &Eight);  // Beta was loaded first
    EXPECT_EQ(Execute("Siedem"), 8);
    TZarixPluginMethod* betas = Beta->Methods()->Items(Beta->Methods()->Count() - 1);
    betas->Address = nullptr;  // still the first match: the call fails, Alfa's is not tried
    EXPECT_EQ(MessageOf<EPluginError>([&] { Execute("Siedem"); }), "\"Siedem\" failed execution.");
    betas->Address = Code(&Eight);  // a routine's address is read at the call
    EXPECT_EQ(Execute("Siedem"), 8);
    betas->SetName("Osiem");
    EXPECT_EQ(Execute("Siedem"), 7);
    EXPECT_EQ(Execute("osiem"), 8);
    Alfa->Methods()->Delete(Alfa->Methods()->Count() - 1);
    EXPECT_THROW(Execute("Siedem"), EPluginError);

    Beta->AddMethod("Zero", &Seven);  // within a plugin, the item added first
    EXPECT_EQ(ZeroOf(), "zero:Beta");
    Beta->Methods()->Items(Beta->Methods()->Count() - 1)->SetIndex(0);
    EXPECT_EQ(Execute("Zero"), 7);
    Beta->Methods()->Clear();
    EXPECT_EQ(ZeroOf(), "zero:Alfa");
    const TZarixPluginMethods empty(nullptr);
    Alfa->SetMethods(&empty);
    EXPECT_THROW(Execute("Zero"), EPluginError);
}

TEST_F(LateBoundIndexTest, ObjectsAreFoundAsTheClassesItemsAreNow) {
    TExposed first(1), second(2);
    EXPECT_TRUE(Value("Pozycja").IsEmpty());
    Beta->AddClass("Pozycja", &first);
    EXPECT_EQ(Value("pozycja"), Variant(int32_t{1}));
    Alfa->AddClass("Pozycja", &second);  // Alfa was loaded last
    EXPECT_EQ(Value("POZYCJA"), Variant(int32_t{2}));
    TZarixPluginClass* alfas = Alfa->Classes()->Items(Alfa->Classes()->Count() - 1);
    alfas->SetClass_Object(nullptr);  // passed over
    EXPECT_EQ(Value("Pozycja"), Variant(int32_t{1}));
    alfas->SetClass_Object(&second);
    Manager->setClassValue("Pozycja", "Value", Variant(int32_t{5}));
    EXPECT_EQ(first.FValue, 5);
    EXPECT_EQ(second.FValue, 5);
    alfas->SetClass_UserName("Inna");
    Manager->setClassValue("Pozycja", "Value", Variant(int32_t{9}));
    Manager->setClassValue("inna", "Value", Variant(int32_t{9}));  // writing matches exactly
    EXPECT_EQ(first.FValue, 9);
    EXPECT_EQ(second.FValue, 5);
    EXPECT_EQ(Value("INNA"), Variant(int32_t{5}));
    Beta->Classes()->Delete(Beta->Classes()->Count() - 1);
    EXPECT_TRUE(Value("Pozycja").IsEmpty());

    Alfa->AddClass("Pozycja", &first);
    alfas->SetClass_UserName("Pozycja");  // Alfa: Ustawienia, Pozycja (second), Pozycja (first)
    EXPECT_EQ(Value("Pozycja"), Variant(int32_t{9}));
    alfas->SetIndex(2);
    EXPECT_EQ(Value("Pozycja"), Variant(int32_t{5}));
    Alfa->Classes()->Clear();
    EXPECT_TRUE(Value("Pozycja").IsEmpty());
    EXPECT_EQ(Label(), "Beta");

    // A write that fails on a later object ends the walk; the earlier object keeps its value.
    TExposed written(1), refusing(2);
    Beta->AddClass("Para", &written);
    Alfa->AddClass("Para", &refusing);
    refusing.RefuseWrites = true;
    EXPECT_EQ(MessageOf<EPluginError>([&] { Manager->setClassValue("Para", "Value", Variant(int32_t{11})); }),
              "\"Para\" failed setClassValue.");
    EXPECT_EQ(written.FValue, 11);
    EXPECT_EQ(refusing.FValue, 2);
}

TEST_F(LateBoundIndexTest, AReadThatChangesTheItemsLetsTheWalkGoOnOverTheLiveItems) {
    TExposed first(1), second(2), third(3);
    Beta->AddClass("Pułapka", &first);
    Alfa->AddClass("Pułapka", &second);
    // The item of the object the walk would read next goes while the first is read.
    first.OnRead = [&] { Alfa->Classes()->Delete(Alfa->Classes()->Count() - 1); };
    EXPECT_EQ(Value("Pułapka"), Variant(int32_t{1}));
    // An item added ahead of the walk is read in its turn.
    bool once = true;
    first.OnRead = [&] {
        if (std::exchange(once, false)) Alfa->AddClass("Pułapka", &third);
    };
    EXPECT_EQ(Value("Pułapka"), Variant(int32_t{3}));
    // A read that unloads the plugin loaded after: the walk ends with the plugins that are left.
    first.OnRead = [&] { Manager->UnloadPlugin(1); };
    EXPECT_EQ(Value("Pułapka"), Variant(int32_t{1}));
    EXPECT_EQ(Manager->PluginCount(), 1);
}

TEST_F(LateBoundIndexTest, NamesMatchWhateverTheCaseOfAToZAndOnlyThat) {
    TExposed object(4);
    const Variant four(int32_t{4});
    for (const char* name : {"Abc", "Obiekt_8", "Obiekt_trzy13", "Obiekt_dwadziescia20", "Pole[1]@", "Zażółć"})
        Beta->AddClass(name, &object);
    for (const char* name : {"aBC", "OBIEKT_8", "obiekt_TRZY13", "OBIEKT_DWADZIESCIA20", "POLE[1]@", "ZAżółć"})
        EXPECT_EQ(Value(name), four) << name;
    // Bytes that differ as the two cases of a letter do, without being letters, and Polish
    // letters in the other case: other names.
    for (const char* name : {"Pole{1}@", "Pole[1]`", "ZAŻÓŁĆ"}) EXPECT_TRUE(Value(name).IsEmpty()) << name;
}

TEST_F(LateBoundIndexTest, ACallByNameFromAPluginsOwnRoutineListIsRefusedNotDeadlocked) {
    Alfa->OnMessage(pmCustom, "Alfa calls while listing", {});
    LateBoundChanged();
    EXPECT_EQ(MessageOf<EPluginError>([&] { Execute("zero"); }),
              "a call by name was made while the plugins' routines or objects were being listed");
    EXPECT_EQ(MessageOf<EPluginError>([&] { Execute("zero"); }),
              "a call by name was made while the plugins' routines or objects were being listed");
}
