// Exception reports: content, code locations, the sinks, and that reporting never raises.
#include "services/exception_handler.h"

#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <exception>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace exception_handler_test {

using namespace zarix;

TEST(ExceptionHandler, ReportsContextClassMessageAndTheCallersLocation) {
    TCapturingExceptionSink sink;
    const unsigned line = __LINE__ + 1;
    ZarixExceptionHandler(EListError("List index out of bounds (3)"), "TZarixMDIContainer.AddMdiForm", Here());
    ASSERT_EQ(sink.Reports().size(), 1u);
    const TExceptionReport& r = sink.Reports()[0];
    EXPECT_EQ(r.Context, "TZarixMDIContainer.AddMdiForm");
    EXPECT_EQ(r.ExceptionClass, "EListError");
    EXPECT_EQ(r.Message, "List index out of bounds (3)");
    EXPECT_EQ(ExtractFileName(r.Location.File), "exception_handler_test.cpp");
    EXPECT_EQ(r.Location.Line, line);
    EXPECT_NE(r.Location.Address, nullptr);
    EXPECT_NE(r.Module.find("zarix_services_tests"), std::string::npos) << r.Module;
}

TEST(ExceptionHandler, ClassifiesAnythingCaughtWithCatchAll) {
    TCapturingExceptionSink sink;
    ZarixExceptionHandler(std::make_exception_ptr(std::runtime_error("boom")), "std", Here());
    ZarixExceptionHandler(std::make_exception_ptr(42), "int", Here());
    ASSERT_EQ(sink.Reports().size(), 2u);
    EXPECT_EQ(sink.Reports()[0].ExceptionClass, "std::runtime_error");
    EXPECT_EQ(sink.Reports()[0].Message, "boom");
    EXPECT_EQ(sink.Reports()[1].ExceptionClass, "unknown exception");
}

TEST(ExceptionHandler, CapturingSinksNestAndReportingNeverRaisesEvenWhenTheSinkDoes) {
    TCapturingExceptionSink outer;
    {
        TCapturingExceptionSink inner;
        ZarixExceptionHandler(Exception("a"), "inner", Here());
        EXPECT_EQ(inner.Reports().size(), 1u);
    }
    ZarixExceptionHandler(Exception("b"), "outer", Here());
    ASSERT_EQ(outer.Reports().size(), 1u);
    EXPECT_EQ(outer.Reports()[0].Context, "outer");
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
    std::stringstream buffer;
    buffer << log.rdbuf();
    const std::string text = buffer.str();
    EXPECT_EQ(text.rfind("Menu path create error !  - EConvertError: 'x' is not a valid integer value (at ", 0), 0u)
        << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);
    std::remove(path.c_str());
}

}  // namespace exception_handler_test
