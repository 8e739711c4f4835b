// One plugin calling another's published methods and exposed objects by name. The calls find
// their targets through an index; after every kind of change to what it indexes, each call
// answers as the walk over the live plugins and collections would.
#include "loading_fixture.h"

#include "platform/ui/application.h"

#include <utility>

using namespace zarix;

namespace {

using W = TRoutineWord;
W LastWord = 0;
int RoutineCalls = 0;
void OneWord(W w, TVarRec*) { LastWord = w; }
// An argument record filled by hand, as a plugin may fill one.
TVarRec Raw(TVarRecKind kind, uintptr_t payload) {
    TVarRec r;
    r.Kind = kind;
    r.VWord = payload;
    return r;
}
void TwelveWords(W a, W b, W c, W d, W e, W f, W g, W h, W i, W j, W k, W l, TVarRec* result) {
    *result = TVarRec(static_cast<int32_t>(a + b + c + d + e + f + g + h + i + j + k + 100 * l));
    ++RoutineCalls;
}

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

/// Beta loaded first, then Alfa: the walks of the calls by name meet them in that order.
class LateBoundTest : public LoadingTest {
protected:
    void SetUp() override {
        LoadingTest::SetUp();
        Manager->LoadPlugin(Install("beta"), false);
        Manager->LoadPlugin(Install("alfa"), false);
        Beta = Manager->GetPlugins(0);
        Alfa = Manager->GetPlugins(1);
    }
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

    TZarixPlugin* Beta = nullptr;
    TZarixPlugin* Alfa = nullptr;
};

TEST_F(LateBoundTest, MethodByNameCallsThePublishedMethodWhateverTheLetterCaseAndReportsEachFailureOnce) {
    const auto args = Args(1, true);
    EXPECT_EQ(Manager->methodByName("alfa", "DESCRIBE", args, nullptr).AsString(), "Alfa:2");
    EXPECT_EQ(Beta->methodByName("ALFA", "describe", {}, nullptr).AsString(), "Alfa:0");  // through the component
    // A failed call answers the empty text.
    TCapturingExceptionSink sink;
    EXPECT_EQ(Manager->methodByName("Gamma", "Describe", {}, nullptr), Variant(std::string()));
    EXPECT_EQ(Manager->methodByName("Alfa", "Missing", {}, nullptr), Variant(std::string()));
    EXPECT_EQ(Manager->methodByName("Alfa", "Fail", {}, nullptr), Variant(std::string()));
    EXPECT_EQ(ReportsOf(sink),
              (TNames{"Blad podczas wolania metody \"Describe\" | Exception: Nie znaleziono pluginu Gamma",
                      "Nie znaleziono metody \"Missing\" w pluginie \"Alfa\", lub metoda nie jest w sekcji published. | "
                      "Exception: ",
                      "Blad podczas wolania metody \"Fail\" | Exception: zepsute"}));
}

TEST_F(LateBoundTest, APluginUnloadedFromItsOwnCodeGoesWhenTheCallHasReturned) {
    EXPECT_TRUE(Manager->methodByName("alfa", "Quit", {}, nullptr).AsBoolean());
    EXPECT_EQ(Only(JournalTake(), "destroy:"), TNames{"Alfa"});
    EXPECT_TRUE(Manager->ExecuteMethod("KoniecBeta", {})->value.VBoolean);  // a routine, likewise
    EXPECT_EQ(Only(JournalTake(), "destroy:"), TNames{"Beta"});
    EXPECT_EQ(Manager->PluginCount(), 0);
}

TEST_F(LateBoundTest, ReadingTakesTheLastMatchAndEnumerationsAsTextAndWritingWritesEveryExactMatch) {
    EXPECT_EQ(Manager->getClassValue("USTAWIENIA", "Count").AsInteger(), 20);  // Alfa was loaded last
    EXPECT_EQ(Manager->getClassValue("ustawienia", "label").AsString(), "Alfa");
    EXPECT_EQ(Manager->getClassValue("Ustawienia", "Mode").AsString(), "fmOff");
    EXPECT_TRUE(Manager->getClassValue("Nieznane", "Count").IsEmpty());
    for (const char* property : {"Nothing", "Broken"})
        EXPECT_EQ(MessageOf<EPluginError>([&] { Manager->getClassValue("Ustawienia", property); }),
                  "\"Ustawienia\" property not found.");

    // Writing matches exactly and writes every match.
    Manager->setClassValue("Ustawienia", "Mode", Variant("fmOn"));
    EXPECT_EQ(Manager->getClassValue("Ustawienia", "Mode").AsString(), "fmOn");
    Manager->setClassValue("Ustawienia", "Count", Variant(int32_t{7}));
    Alfa->Classes()->Delete(0);  // hide Alfa's object: Beta's must have been written too
    EXPECT_EQ(Manager->getClassValue("Ustawienia", "Count").AsInteger(), 7);
    EXPECT_EQ(MessageOf<EPluginError>([&] { Manager->setClassValue("Ustawienia", "Count", Variant("siedem")); }),
              "\"Ustawienia\" failed setClassValue.");
    EXPECT_THROW(Alfa->setClassValue("Ustawienia", "Label2", Variant("x")), EPluginError);
}

TEST_F(LateBoundTest, ExecuteMethodPassesEachKindAsItsWordInOrderAndClosesUpTheKindsThatPassNothing) {
    const std::u16string wide = u"tekst";
    auto two = Manager->ExecuteMethod("dwa", Args(5, wide, true));  // the UTF-16 text passes nothing
    EXPECT_EQ(JournalTake(), TNames{"two:Beta:5:1"});  // the first plugin loaded
    ASSERT_EQ(two->value.Kind, TVarRecKind::vtInteger);
    EXPECT_EQ(two->value.VInteger, 6);
    const std::string text = "napis";
    const int64_t big = 1;
    auto three = Alfa->ExecuteMethod("TRZY", Args(-1, big, 'A', text));  // the 64-bit integer passes nothing
    EXPECT_EQ(JournalTake(), TNames{"three:Beta:-1:65:napis"});
    EXPECT_TRUE(three->value.VBoolean);
    auto zero = Manager->ExecuteMethod("Zero", {});
    EXPECT_EQ(zero->value.Kind, TVarRecKind::vtPointer);  // written nothing: a nil pointer
    EXPECT_EQ(zero->value.VPointer, nullptr);

    // Each kind that passes something arrives as its own word.
    Alfa->AddMethod("Jedno", &OneWord);
    const long double extended = 2.5L;
    const Variant variant(int32_t{3});
    const char* pchar = "pchar";
    const TVarRec shortString = TVarRec::ShortString(text);
    const std::pair<TVarRec, const void*> cases[] = {
        {TVarRec(extended), &extended}, {shortString, shortString.VString}, {TVarRec(static_cast<const void*>(pchar)), pchar},
        {TVarRec(pchar), pchar}, {TVarRec(static_cast<TObject*>(Alfa)), Alfa}, {TVarRec(&TZarixPlugin::StaticClass()), &TZarixPlugin::StaticClass()},
        {TVarRec(variant), &variant}, {TVarRec('\xE9'), reinterpret_cast<const void*>(233)},  // a character above 127 arrives unsigned
        // A plugin's own argument record may leave the unused payload bytes of a small value set.
        {Raw(TVarRecKind::vtInteger, 0xDEADBEEFFFFFFFFEull), reinterpret_cast<const void*>(intptr_t{-2})},
        {Raw(TVarRecKind::vtBoolean, 0xABCD0001ull), reinterpret_cast<const void*>(1)},
        {Raw(TVarRecKind::vtChar, 0x123400E9ull), reinterpret_cast<const void*>(233)}};
    for (const auto& [argument, word] : cases) {
        Manager->ExecuteMethod("Jedno", std::span(&argument, 1));
        EXPECT_EQ(LastWord, reinterpret_cast<W>(word)) << static_cast<int>(argument.Kind);
    }
}

TEST_F(LateBoundTest, ExecuteMethodFailuresCarryTheName) {
    RoutineCalls = 0;  // counted across the runs of a repeated test program
    Alfa->AddMethod("Dwanascie", &TwelveWords);
    const auto thirteen = Args(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13);
    const std::pair<std::function<void()>, const char*> failures[] = {
        {[&] { Manager->ExecuteMethod("Brak", {}); }, "\"Brak\" not found."},
        {[&] { Manager->ExecuteMethod("Boom", {}); }, "\"Boom\" failed execution."},
        {[&] { Manager->ExecuteMethod("Dwanascie", thirteen); }, "\"Dwanascie\" failed execution."}};  // never called
    for (const auto& [call, message] : failures) EXPECT_EQ(MessageOf<EPluginError>(call), message);
    EXPECT_EQ(Manager->ExecuteMethod("Dwanascie", std::span(thirteen).first(12))->value.VInteger, 66 + 1200);
    // The limit counts words, not arguments: a kind code no row knows passes nothing.
    auto twelveOfThirteen = thirteen;
    twelveOfThirteen[12] = Raw(static_cast<TVarRecKind>(200), 13);
    EXPECT_EQ(Manager->ExecuteMethod("Dwanascie", twelveOfThirteen)->value.VInteger, 66 + 1200);
    EXPECT_EQ(RoutineCalls, 2);
}

TEST_F(LateBoundTest, ReferencesRecordsAndEventsAreReachedByName) {
    Alfa->AddDependency("BETA", "1.2.0.0");
    Alfa->SetRequiredDBVersion(TVersion{3, 1, 0, 7});
    Alfa->AddClass("Wtyczka", Alfa);
    const std::pair<const char*, Variant> reads[] = {{"Version", Variant("1.1.9.9")},  // from the library's file
        {"RequiredDBVersion", Variant("3.1.0.7")}, {"PluginDependencies", Variant("BETA=1.2.0.0")},
        {"Manager", Variant::FromObject(Manager.get())}, {"HostApplication", Variant::FromObject(Alfa->HostApplication())},
        {"Commands", Variant::FromObject(Alfa->Commands())}, {"Methods", Variant::FromObject(Alfa->Methods())},
        {"Classes", Variant::FromObject(Alfa->Classes())}, {"MDIForms", Variant::FromObject(Alfa->MDIForms())}};
    for (const auto& [name, value] : reads) EXPECT_EQ(Manager->getClassValue("wtyczka", name), value) << name;
    Manager->setClassValue("Wtyczka", "RequiredDBVersion", Variant("4.0"));
    EXPECT_EQ(Alfa->RequiredDBVersion(), (TVersion{4, 0, 0, 0}));
    EXPECT_EQ(MessageOf<EPluginError>([&] { Manager->setClassValue("Wtyczka", "Manager", Variant::FromObject(Alfa->Commands())); }),
              "\"Wtyczka\" failed setClassValue.");
    EXPECT_EQ(Alfa->Manager(), Manager.get());

    TZarixPluginCommand* command = Alfa->Commands()->Items(0);
    TMainMenu menu(nullptr);
    Manager->SetCommandsBasedMenu(&menu, nullptr, nullptr);
    EXPECT_EQ(GetPropValue(*command, "MenuItemRef").AsObject(), command->MenuItemRef());
    EXPECT_EQ(GetPropValue(*Manager, "Menu").AsObject(), &menu);
    EXPECT_EQ(GetPropValue(*command, "OnExecute"), Variant(true));
    SetPropValue(*command, "OnExecute", Variant());
    EXPECT_FALSE(command->OnExecute());
}

// Renaming, unloading and loading again each move what a name finds.
TEST_F(LateBoundTest, PluginsAreFoundByTheNameTheyHaveNowAndLoadingMovesTheFirstAndTheLastMatch) {
    EXPECT_EQ(Manager->getPluginByName("ALFA"), Alfa);
    Alfa->SetPluginName("Omega");
    EXPECT_EQ(Manager->getPluginByName("alfa"), nullptr);
    EXPECT_EQ(Manager->methodByName("omega", "Describe", {}, nullptr).AsString(), "Alfa:0");
    Beta->SetPluginName("Omega");  // two plugins of one name: the one loaded first
    EXPECT_EQ(Manager->getPluginByName("OMEGA"), Beta);
    EXPECT_FALSE(Alfa->isPluginAvailable("Beta"));

    EXPECT_EQ(ZeroOf(), "zero:Beta");
    EXPECT_EQ(Label(), "Alfa");
    Manager->UnloadPlugin(0);
    EXPECT_EQ(ZeroOf(), "zero:Alfa");
    EXPECT_EQ(Manager->getPluginByName("omega"), Alfa);
    Manager->LoadPlugin(Install("beta", "beta2"), false);  // back, now loaded after Alfa
    EXPECT_EQ(ZeroOf(), "zero:Alfa");
    EXPECT_EQ(Label(), "Beta");
    EXPECT_EQ(Manager->getPluginByName("BETA"), Manager->GetPlugins(1));
}

TEST_F(LateBoundTest, RoutinesAreFoundAsTheMethodsItemsAreNow) {
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

TEST_F(LateBoundTest, ObjectsAreFoundAsTheClassesItemsAreNow) {
    TExposed first(1), second(2);
    Beta->AddClass("Pozycja", &first);
    Alfa->AddClass("Pozycja", &second);  // Alfa was loaded last
    EXPECT_EQ(Value("POZYCJA"), Variant(int32_t{2}));
    TZarixPluginClass* alfas = Alfa->Classes()->Items(Alfa->Classes()->Count() - 1);
    alfas->SetClass_Object(nullptr);  // passed over
    EXPECT_EQ(Value("Pozycja"), Variant(int32_t{1}));
    alfas->SetClass_Object(&second);
    alfas->SetClass_UserName("Inna");
    Manager->setClassValue("Pozycja", "Value", Variant(int32_t{9}));
    EXPECT_EQ(Value("inna"), Variant(int32_t{2}));  // reading, which ignores the case, is remembered
    Manager->setClassValue("inna", "Value", Variant(int32_t{9}));  // writing matches exactly
    EXPECT_EQ(first.FValue, 9);
    EXPECT_EQ(second.FValue, 2);
    EXPECT_EQ(Value("INNA"), Variant(int32_t{2}));
    Beta->Classes()->Delete(Beta->Classes()->Count() - 1);
    EXPECT_TRUE(Value("Pozycja").IsEmpty());

    Alfa->AddClass("Pozycja", &first);
    alfas->SetClass_UserName("Pozycja");  // Alfa: Ustawienia, Pozycja (second), Pozycja (first)
    EXPECT_EQ(Value("Pozycja"), Variant(int32_t{9}));
    alfas->SetIndex(2);
    EXPECT_EQ(Value("Pozycja"), Variant(int32_t{2}));
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

TEST_F(LateBoundTest, AReadThatChangesTheItemsLetsTheWalkGoOnOverTheLiveItems) {
    TExposed first(1), second(2);
    Beta->AddClass("Pułapka", &first);
    Alfa->AddClass("Pułapka", &second);
    // The item of the object the walk would read next goes while the first is read. An item
    // added ahead of the walk is read in its turn (below, from the only object).
    first.OnRead = [&] { Alfa->Classes()->Delete(Alfa->Classes()->Count() - 1); };
    EXPECT_EQ(Value("Pułapka"), Variant(int32_t{1}));
    // A read that unloads the plugin loaded after: the walk ends with the plugins that are left.
    first.OnRead = [&] { Manager->UnloadPlugin(1); };
    EXPECT_EQ(Value("Pułapka"), Variant(int32_t{1}));
    EXPECT_EQ(Manager->PluginCount(), 1);
}

TEST_F(LateBoundTest, ARepeatedReadOfTheOnlyObjectStillSeesWhatItsGetterChanges) {
    TExposed only(5), added(6);
    Beta->AddClass("Jedyny", &only);
    for (int i = 0; i < 2; ++i) EXPECT_EQ(Value("jedyny"), Variant(int32_t{5}));
    bool once = true;
    only.OnRead = [&] {
        if (std::exchange(once, false)) Alfa->AddClass("Jedyny", &added);
    };
    EXPECT_EQ(Value("jedyny"), Variant(int32_t{6}));  // the item added ahead is read in its turn
    // The getter is the plugin's code: unloading the plugin from it waits for the read's end.
    Alfa->Classes()->Delete(Alfa->Classes()->Count() - 1);
    int during = 0;
    only.OnRead = [&] {
        Manager->UnloadPlugin(0);
        during = Manager->PluginCount();
    };
    EXPECT_EQ(Value("jedyny"), Variant(int32_t{5}));
    EXPECT_EQ(during, 2);
    EXPECT_EQ(Manager->PluginCount(), 1);
}

TEST_F(LateBoundTest, NamesMatchWhateverTheCaseOfAToZAndOnlyThat) {
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

TEST_F(LateBoundTest, ACallByNameFromAPluginsOwnRoutineListIsRefusedNotDeadlocked) {
    Alfa->OnMessage(pmCustom, "Alfa calls while listing", {});
    LateBoundChanged();
    for (int twice = 0; twice < 2; ++twice)
        EXPECT_EQ(MessageOf<EPluginError>([&] { Execute("zero"); }),
                  "a call by name was made while the plugins' routines or objects were being listed");
}
