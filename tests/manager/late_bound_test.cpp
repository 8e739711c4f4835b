// One plugin calling another's published methods and exposed objects by name.
#include "loading_fixture.h"

#include "services/exception_handler.h"

using namespace zarix;

using LateBoundTest = TwoPluginsTest;

TEST_F(LateBoundTest, MethodByNameCallsThePublishedMethodWhateverTheLetterCase) {
    const auto args = Args(1, true);
    EXPECT_EQ(Manager->methodByName("alfa", "DESCRIBE", args, nullptr).AsString(), "Alfa:2");
    EXPECT_EQ(Beta->methodByName("ALFA", "describe", {}, nullptr).AsString(), "Alfa:0");  // through the component
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
    for (const char* property : {"Nothing", "Broken"}) {
        try {
            Manager->getClassValue("Ustawienia", property);
            FAIL() << property;
        } catch (const EPluginError& e) {
            EXPECT_EQ(e.Message(), "\"Ustawienia\" property not found.");
        }
    }
}

TEST_F(LateBoundTest, WritingMatchesExactlyAndWritesEveryMatch) {
    Manager->setClassValue("Ustawienia", "Mode", Variant("fmOn"));
    EXPECT_EQ(Manager->getClassValue("Ustawienia", "Mode").AsString(), "fmOn");
    Manager->setClassValue("Ustawienia", "Count", Variant(int32_t{7}));
    Manager->setClassValue("USTAWIENIA", "Count", Variant(int32_t{99}));  // other letter case: nothing
    Alfa->Classes()->Delete(0);  // hide Alfa's object: Beta's must have been written too
    EXPECT_EQ(Manager->getClassValue("Ustawienia", "Count").AsInteger(), 7);
    try {
        Manager->setClassValue("Ustawienia", "Count", Variant("siedem"));
        FAIL();
    } catch (const EPluginError& e) {
        EXPECT_EQ(e.Message(), "\"Ustawienia\" failed setClassValue.");
    }
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
    try {
        Manager->ExecuteMethod("Brak", {});
        FAIL();
    } catch (const EPluginError& e) {
        EXPECT_EQ(e.Message(), "\"Brak\" not found.");
    }
    try {
        Manager->ExecuteMethod("Boom", {});
        FAIL();
    } catch (const EPluginError& e) {
        EXPECT_EQ(e.Message(), "\"Boom\" failed execution.");
    }
}
