// One plugin calling another's published methods and exposed objects by name.
#include "loading_fixture.h"

#include "platform/ui/application.h"
#include "services/exception_handler.h"

using namespace zarix;

using LateBoundTest = TwoPluginsTest;

namespace {

using W = TRoutineWord;
W LastWord = 0;
int RoutineCalls = 0;
void OneWord(W w, TVarRec*) { LastWord = w; }
void TwelveWords(W a, W b, W c, W d, W e, W f, W g, W h, W i, W j, W k, W l, TVarRec* result) {
    *result = TVarRec(static_cast<int32_t>(a + b + c + d + e + f + g + h + i + j + k + 100 * l));
    ++RoutineCalls;
}

}  // namespace

TEST_F(LateBoundTest, MethodByNameCallsThePublishedMethodWhateverTheLetterCase) {
    const auto args = Args(1, true);
    EXPECT_EQ(Manager->methodByName("alfa", "DESCRIBE", args, nullptr).AsString(), "Alfa:2");
    EXPECT_EQ(Beta->methodByName("ALFA", "describe", {}, nullptr).AsString(), "Alfa:0");  // through the component
}

TEST_F(LateBoundTest, APluginUnloadedFromItsOwnMethodGoesWhenTheMethodHasReturned) {
    JournalTake();
    EXPECT_TRUE(Manager->methodByName("alfa", "Quit", {}, nullptr).AsBoolean());
    EXPECT_EQ(Only(JournalTake(), "destroy:"), std::vector<std::string>{"Alfa"});
    EXPECT_EQ(Manager->getPluginByName("alfa"), nullptr);
}

TEST_F(LateBoundTest, MethodByNameReportsEachFailureOnceAndReturnsTheEmptyText) {
    TCapturingExceptionSink sink;
    EXPECT_EQ(Manager->methodByName("Gamma", "Describe", {}, nullptr), Variant(std::string()));
    EXPECT_EQ(Manager->methodByName("Alfa", "Missing", {}, nullptr), Variant(std::string()));
    EXPECT_EQ(Manager->methodByName("Alfa", "Fail", {}, nullptr), Variant(std::string()));
    ASSERT_EQ(sink.Reports().size(), 3u);
    EXPECT_EQ(sink.Reports()[0].Context, "Blad podczas wolania metody \"Describe\"");
    EXPECT_EQ(sink.Reports()[0].Message, "Nie znaleziono pluginu Gamma");
    EXPECT_EQ(sink.Reports()[1].Context,
              "Nie znaleziono metody \"Missing\" w pluginie \"Alfa\", lub metoda nie jest w sekcji published.");
    EXPECT_EQ(sink.Reports()[1].ExceptionClass, "Exception");
    EXPECT_EQ(sink.Reports()[1].Message, "");
    EXPECT_EQ(sink.Reports()[2].Context, "Blad podczas wolania metody \"Fail\"");
    EXPECT_EQ(sink.Reports()[2].Message, "zepsute");
}

TEST_F(LateBoundTest, ReadingTakesTheLastMatchAndEnumerationsAsText) {
    EXPECT_EQ(Manager->getClassValue("USTAWIENIA", "Count").AsInteger(), 20);  // Alfa was loaded last
    EXPECT_EQ(Manager->getClassValue("ustawienia", "label").AsString(), "Alfa");
    EXPECT_EQ(Manager->getClassValue("Ustawienia", "Mode").AsString(), "fmOff");
    EXPECT_TRUE(Manager->getClassValue("Nieznane", "Count").IsEmpty());
    for (const char* property : {"Nothing", "Broken"})
        EXPECT_EQ(MessageOf<EPluginError>([&] { Manager->getClassValue("Ustawienia", property); }),
                  "\"Ustawienia\" property not found.");
}

TEST_F(LateBoundTest, WritingMatchesExactlyAndWritesEveryMatch) {
    Manager->setClassValue("Ustawienia", "Mode", Variant("fmOn"));
    EXPECT_EQ(Manager->getClassValue("Ustawienia", "Mode").AsString(), "fmOn");
    Manager->setClassValue("Ustawienia", "Count", Variant(int32_t{7}));
    Manager->setClassValue("USTAWIENIA", "Count", Variant(int32_t{99}));  // other letter case: nothing
    Alfa->Classes()->Delete(0);  // hide Alfa's object: Beta's must have been written too
    EXPECT_EQ(Manager->getClassValue("Ustawienia", "Count").AsInteger(), 7);
    EXPECT_EQ(MessageOf<EPluginError>([&] { Manager->setClassValue("Ustawienia", "Count", Variant("siedem")); }),
              "\"Ustawienia\" failed setClassValue.");
    EXPECT_THROW(Alfa->setClassValue("Ustawienia", "Label2", Variant("x")), EPluginError);
}

TEST_F(LateBoundTest, ExecuteMethodPassesWordsInOrderAndClosesUpTheKindsThatPassNothing) {
    JournalTake();
    const std::u16string wide = u"tekst";
    auto two = Manager->ExecuteMethod("dwa", Args(5, wide, true));  // the UTF-16 text passes nothing
    EXPECT_EQ(JournalTake(), std::vector<std::string>{"two:Beta:5:1"});  // the first plugin loaded
    ASSERT_EQ(two->value.Kind, TVarRecKind::vtInteger);
    EXPECT_EQ(two->value.VInteger, 6);
    const std::string text = "napis";
    const int64_t big = 1;
    auto three = Alfa->ExecuteMethod("TRZY", Args(-1, big, 'A', text));  // the 64-bit integer passes nothing
    EXPECT_EQ(JournalTake(), std::vector<std::string>{"three:Beta:-1:65:napis"});
    EXPECT_TRUE(three->value.VBoolean);
    auto zero = Manager->ExecuteMethod("Zero", {});
    EXPECT_EQ(zero->value.Kind, TVarRecKind::vtPointer);  // written nothing: a nil pointer
    EXPECT_EQ(zero->value.VPointer, nullptr);
}

TEST_F(LateBoundTest, ExecuteMethodFailuresCarryTheName) {
    Alfa->AddMethod("Dwanascie", &TwelveWords);
    const auto thirteen = Args(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13);
    const std::pair<std::function<void()>, const char*> failures[] = {
        {[&] { Manager->ExecuteMethod("Brak", {}); }, "\"Brak\" not found."},
        {[&] { Manager->ExecuteMethod("Boom", {}); }, "\"Boom\" failed execution."},
        {[&] { Manager->ExecuteMethod("Dwanascie", thirteen); }, "\"Dwanascie\" failed execution."}};  // never called
    for (const auto& [call, message] : failures) EXPECT_EQ(MessageOf<EPluginError>(call), message);
    EXPECT_EQ(Manager->ExecuteMethod("Dwanascie", std::span(thirteen).first(12))->value.VInteger, 66 + 1200);
    EXPECT_EQ(RoutineCalls, 1);
}

TEST_F(LateBoundTest, ExecuteMethodPassesEachKindAsItsWord) {
    Alfa->AddMethod("Jedno", &OneWord);
    const long double extended = 2.5L;
    const std::string text = "tekst";
    const Variant variant(int32_t{3});
    const char* pchar = "pchar";
    const TVarRec shortString = TVarRec::ShortString(text);
    const std::pair<TVarRec, const void*> cases[] = {
        {TVarRec(extended), &extended}, {shortString, shortString.VString}, {TVarRec(static_cast<const void*>(pchar)), pchar},
        {TVarRec(pchar), pchar}, {TVarRec(static_cast<TObject*>(Alfa)), Alfa}, {TVarRec(&TZarixPlugin::StaticClass()), &TZarixPlugin::StaticClass()},
        {TVarRec(variant), &variant}, {TVarRec('\xE9'), reinterpret_cast<const void*>(233)}};  // a character above 127 arrives unsigned
    for (const auto& [argument, word] : cases) {
        Manager->ExecuteMethod("Jedno", std::span(&argument, 1));
        EXPECT_EQ(LastWord, reinterpret_cast<W>(word)) << static_cast<int>(argument.Kind);
    }
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
