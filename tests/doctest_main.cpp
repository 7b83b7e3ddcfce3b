// A test run that selects no test case fails: a misspelt suite name must not pass silently.
#define DOCTEST_CONFIG_IMPLEMENT
#include <doctest.h>

namespace {

int casesStarted = 0;

struct CaseCounter : doctest::IReporter {
    explicit CaseCounter(const doctest::ContextOptions&) {}
    void report_query(const doctest::QueryData&) override {}
    void test_run_start() override {}
    void test_run_end(const doctest::TestRunStats&) override {}
    void test_case_start(const doctest::TestCaseData&) override { ++casesStarted; }
    void test_case_reenter(const doctest::TestCaseData&) override {}
    void test_case_end(const doctest::CurrentTestCaseStats&) override {}
    void test_case_exception(const doctest::TestCaseException&) override {}
    void subcase_start(const doctest::SubcaseSignature&) override {}
    void subcase_end() override {}
    void log_assert(const doctest::AssertData&) override {}
    void log_message(const doctest::MessageData&) override {}
    void test_case_skipped(const doctest::TestCaseData&) override {}
};

DOCTEST_REGISTER_LISTENER("case_counter", 1, CaseCounter);

} // namespace

int main(int argc, char** argv) {
    doctest::Context context(argc, argv);
    int result = context.run();
    if (context.shouldExit()) {
        return result;
    }
    if (result == 0 && casesStarted == 0) {
        return 1;
    }
    return result;
}
