// The small services every plugin leans on: exception reports (content, code locations, the
// sinks, and that reporting never raises), one instance per singleton class, and plugin-name
// normalisation.
#include "services/exception_handler.h"
#include "services/singleton.h"
#include "services/various.h"
#include "tests/services/reports_of.h"

#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace services_test {

using namespace zarix;

TEST(ExceptionHandler, ReportsContextClassMessageAndTheCallersLocation) {
    TCapturingExceptionSink sink;
    const unsigned line = __LINE__ + 1;
    ZarixExceptionHandler(EListError("List index out of bounds (3)"), "TZarixMDIContainer.AddMdiForm", Here());
    ZarixExceptionHandler(std::make_exception_ptr(std::runtime_error("boom")), "std", Here());
    ZarixExceptionHandler(std::make_exception_ptr(42), "int", Here());
    // Anything caught with a catch-all is classified.
    ASSERT_EQ(ReportsOf(sink), (TNames{"TZarixMDIContainer.AddMdiForm | EListError: List index out of bounds (3)",
                                       "std | std::runtime_error: boom", "int | unknown exception: "}));
    const TExceptionReport& r = sink.Reports()[0];
    EXPECT_EQ(ExtractFileName(r.Location.File), "services_test.cpp");
    EXPECT_EQ(r.Location.Line, line);
    EXPECT_NE(r.Location.Address, nullptr);
    EXPECT_NE(r.Module.find("zarix_services_tests"), std::string::npos) << r.Module;
}

TEST(ExceptionHandler, CapturingSinksNestAndReportingNeverRaisesEvenWhenTheSinkDoes) {
    TCapturingExceptionSink outer;
    {
        TCapturingExceptionSink inner;
        ZarixExceptionHandler(Exception("a"), "inner", Here());
        EXPECT_EQ(inner.Reports().size(), 1u);
    }
    ZarixExceptionHandler(Exception("b"), "outer", Here());
    EXPECT_EQ(ReportsOf(outer), TNames{"outer | Exception: b"});
    TExceptionSink previous = SetExceptionSink([](const TExceptionReport&) { throw std::runtime_error("sink broke"); });
    EXPECT_NO_THROW(ZarixExceptionHandler(Exception("x"), "ctx", Here()));
    SetExceptionSink(std::move(previous));
}

TEST(ExceptionHandler, DefaultSinkWritesOneLinePerReportToTheLogFile) {
    const std::string path = ::testing::TempDir() + "zarix_exception_log.txt";
    std::remove(path.c_str());
    SetExceptionLogFile(path);
    ZarixExceptionHandler(EConvertError("'x' is not a valid integer value"), "Menu path create error ! ", Here());
    SetExceptionLogFile("");
    std::ifstream log(path);
    const std::string text{std::istreambuf_iterator<char>(log), {}};
    EXPECT_EQ(text.rfind("Menu path create error !  - EConvertError: 'x' is not a valid integer value (at ", 0), 0u)
        << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);
    std::remove(path.c_str());
}

int gCreated = 0;
int gConstructed = 0;

class TCounterA : public TSingleton {
public:
    TCounterA() { ++gConstructed; }

protected:
    void CreateSingleton() override { ++gCreated; }
};

class TCounterB : public TSingleton {};

class TFailing : public TSingleton {
protected:
    void CreateSingleton() override { throw std::runtime_error("no"); }
};

TEST(Singleton, OneInstancePerClassAndAFailedCreationLeavesNoHalfMadeInstance) {
    TCounterA& a = TSingleton::Instance<TCounterA>();
    EXPECT_EQ(&TSingleton::Instance<TCounterA>(), &a);
    EXPECT_EQ(gConstructed, 1);
    EXPECT_EQ(gCreated, 1);
    EXPECT_NE(static_cast<void*>(&TSingleton::Instance<TCounterB>()), static_cast<void*>(&a));
    // The second call tries again rather than handing out what the first left behind.
    EXPECT_THROW(TSingleton::Instance<TFailing>(), std::runtime_error);
    EXPECT_THROW(TSingleton::Instance<TFailing>(), std::runtime_error);
}

TEST(StrStdSearch, FoldsLettersDropsTheRestAndKeepsAtMostTheLimit) {
    // Each row: the text, the limit and the folded result.
    const std::tuple<std::string, int, std::string> rows[] = {
        {"ąćęłńóśźż ĄĆĘŁŃÓŚŹŻ", 500, "ACELNOSZZACELNOSZZ"}, {"Straße Ærø", 500, "STRASSEAERO"},
        {"Zbiór Z/09", 500, "ZBIORZ09"},  // the ends of the letters and digits kept
        {"Dane firmy.", 500, "DANEFIRMY"},          {"", 500, ""},
        {"日本 kasa €", 500, "KASA"},               {std::string(600, 'a'), 500, std::string(500, 'A')},
        {"abcß", 4, "ABCS"},  // a two-letter fold is cut at the limit
        {"abc", 0, ""},
        // Malformed text is dropped without reading past its end.
        {"ka\xC5", 500, "KA"},                      {"\xFF\xFEsa", 500, "SA"},
        {"\xC5\x82\xE2\x82", 500, "L"},
    };
    for (const auto& [text, limit, folded] : rows) EXPECT_EQ(StrStdSearch(text, limit), folded) << text;
}

}  // namespace services_test
