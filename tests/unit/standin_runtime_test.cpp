// The stand-in loader library and runtime, checked for what the end-to-end tests rely on.
#include "platform/com_ptr.h"
#include "platform/text.h"
#include "platform/unique_handle.h"
#include "platform/webview2.h"
#include "platform/win32.h"
#include "server/winsock.h"
#include "support/runtime_records.h"
#include "support/scratch_folder.h"
#include "unit/com_object_checks.h"

#include <doctest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

using namespace Brindle::Shell;
using namespace Brindle::Tests;

namespace {

constexpr const wchar_t* kVariables[] = {
    L"WEBVIEW2_STANDIN_RECORD",      L"WEBVIEW2_STANDIN_VERSION",
    L"WEBVIEW2_STANDIN_CREATE",      L"WEBVIEW2_STANDIN_CREATE_WITH_OPTIONS",
    L"WEBVIEW2_STANDIN_ENVIRONMENT", L"WEBVIEW2_STANDIN_CONTROLLER_CALL",
    L"WEBVIEW2_STANDIN_CONTROLLER",  L"WEBVIEW2_STANDIN_VIEW",
    L"WEBVIEW2_STANDIN_NAVIGATE",    L"WEBVIEW2_STANDIN_HOLD",
};

using Setting = std::pair<const wchar_t*, const wchar_t*>;

// The stand-in's variables for one test, with a fresh record; all are cleared afterwards.
class Settings {
public:
    explicit Settings(std::initializer_list<Setting> settings = {})
        : record_(scratch_ / L"runtime record.txt") {
        SetEnvironmentVariableW(L"WEBVIEW2_STANDIN_RECORD", record_.c_str());
        for (const auto& [name, value] : settings) {
            SetEnvironmentVariableW(name, value);
        }
    }
    Settings(const Settings&) = delete;
    Settings& operator=(const Settings&) = delete;
    ~Settings() {
        for (const wchar_t* name : kVariables) {
            SetEnvironmentVariableW(name, nullptr);
        }
    }

    // The calls only: the library's one load may land in whichever record is set at the time.
    [[nodiscard]] std::vector<RuntimeEvent> Events() const {
        auto events = ReadRuntimeRecord(record_);
        std::erase_if(events, [](const RuntimeEvent& event) { return event.name == L"loaded"; });
        return events;
    }
    [[nodiscard]] const std::wstring& Folder() const { return scratch_.Path(); }

private:
    ScratchFolder scratch_{L"standin runtime"};
    std::wstring record_;
};

struct Library {
    UniqueModule module;
    CreateCoreWebView2EnvironmentWithOptionsFunction create = nullptr;
    GetAvailableCoreWebView2BrowserVersionStringFunction version = nullptr;
};

template <typename Function>
Function EntryPoint(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

Library Load(const wchar_t* name) {
    Library library{UniqueModule(LoadLibraryW((Win32::ExecutableFolder() + name).c_str()))};
    library.create = EntryPoint<CreateCoreWebView2EnvironmentWithOptionsFunction>(
        library.module.Get(), "CreateCoreWebView2EnvironmentWithOptions");
    library.version = EntryPoint<GetAvailableCoreWebView2BrowserVersionStringFunction>(
        library.module.Get(), "GetAvailableCoreWebView2BrowserVersionString");
    return library;
}

// Loaded once for the whole run; each case pumps until its completions have run.
const Library& Standin() {
    static const Library library = Load(L"webview2-standin.dll");
    REQUIRE((library.create != nullptr && library.version != nullptr));
    return library;
}

std::wstring Code(HRESULT code) {
    return Text::Hex(static_cast<std::uint32_t>(code), Text::Case::Upper, 8);
}

// Dispatches this thread's messages, as the shell's loop does, until done() or the time is up.
template <typename Done>
bool PumpUntil(Done done, DWORD timeoutMs = 5000) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!done()) {
        if (GetTickCount64() >= end) {
            return false;
        }
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

// Dispatches until the quit message, where the shell's loop ends; false when it has not come in
// time.
bool PumpUntilQuit(DWORD timeoutMs = 5000) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                return true;
            }
            DispatchMessageW(&message);
        }
        if (GetTickCount64() >= end) {
            return false;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

void PumpFor(DWORD milliseconds) {
    PumpUntil([] { return false; }, milliseconds);
}

// A completion handler of the test's own that keeps what it was called with.
template <typename Interface, typename Result, const IID& Own>
class Handler final : public Interface {
public:
    static ComPtr<Handler> Create() { return ComPtr<Handler>::Adopt(new Handler); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID asked, void** out) override {
        if (!IsEqualIID(asked, Own) && !IsEqualIID(asked, IID_IUnknown)) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        *out = static_cast<Interface*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references;
        if (left == 0) {
            delete this;
        }
        return left;
    }
    HRESULT STDMETHODCALLTYPE Invoke(HRESULT errorCode, Result* received) override {
        ++calls;
        code = errorCode;
        result = ComPtr<Result>::Retain(received);
        referencesInCall = references;
        thread = GetCurrentThreadId();
        return S_OK;
    }

    ULONG references = 1;
    int calls = 0;
    HRESULT code = E_PENDING;
    ComPtr<Result> result;
    ULONG referencesInCall = 0;
    DWORD thread = 0;

private:
    Handler() = default;
    ~Handler() = default;
};

using EnvironmentHandler =
    Handler<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler, ICoreWebView2Environment,
            IID_ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>;
using ControllerHandler =
    Handler<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler, ICoreWebView2Controller,
            IID_ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>;

LPWSTR TaskCopy(const wchar_t* text) {
    const std::size_t bytes = (std::char_traits<wchar_t>::length(text) + 1) * sizeof(wchar_t);
    auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    REQUIRE(copy != nullptr);
    std::copy_n(text, bytes / sizeof(wchar_t), copy);
    return copy;
}

// Options as the shell's would give them: a language of none and no later interfaces.
class Options final : public ICoreWebView2EnvironmentOptions {
public:
    static ComPtr<Options> Create() { return ComPtr<Options>::Adopt(new Options); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID asked, void** out) override {
        if (!IsEqualIID(asked, IID_ICoreWebView2EnvironmentOptions) &&
            !IsEqualIID(asked, IID_IUnknown)) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        *out = static_cast<ICoreWebView2EnvironmentOptions*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }
    HRESULT STDMETHODCALLTYPE get_AdditionalBrowserArguments(LPWSTR* value) override {
        *value = TaskCopy(L"--lang=nl  --name=Brindl\u00e9");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Language(LPWSTR* value) override {
        *value = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_TargetCompatibleBrowserVersion(LPWSTR* value) override {
        *value = TaskCopy(L"120.0.2210.91");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_AllowSingleSignOnUsingOSPrimaryAccount(BOOL* allow) override {
        *allow = TRUE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_AdditionalBrowserArguments(LPCWSTR) override { return E_FAIL; }
    HRESULT STDMETHODCALLTYPE put_Language(LPCWSTR) override { return E_FAIL; }
    HRESULT STDMETHODCALLTYPE put_TargetCompatibleBrowserVersion(LPCWSTR) override {
        return E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE put_AllowSingleSignOnUsingOSPrimaryAccount(BOOL) override {
        return E_FAIL;
    }

private:
    Options() = default;
    ~Options() = default;
    ULONG references_ = 1;
};

// The environment, as its handler received it.
ComPtr<EnvironmentHandler> CreateEnvironment(ICoreWebView2EnvironmentOptions* options = nullptr) {
    auto handler = EnvironmentHandler::Create();
    REQUIRE(Standin().create(nullptr, nullptr, options, handler.Get()) == S_OK);
    REQUIRE(PumpUntil([&] { return handler->calls > 0; }));
    return handler;
}

// The runtime only passes the parent on; any value will do.
HWND FakeParent() {
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0xABC123));
}

ComPtr<ControllerHandler> CreateController(ICoreWebView2Environment* environment) {
    auto handler = ControllerHandler::Create();
    REQUIRE(environment->CreateCoreWebView2Controller(FakeParent(), handler.Get()) == S_OK);
    REQUIRE(PumpUntil([&] { return handler->calls > 0; }));
    return handler;
}

// A loopback port that nothing listens on: taken from the system and given back at once.
std::uint16_t QuietPort() {
    UniqueSocket probe = Winsock::NewTcpSocket();
    sockaddr_in address = Winsock::Loopback(0);
    int size = static_cast<int>(sizeof address);
    REQUIRE(bind(probe.Get(), reinterpret_cast<const sockaddr*>(&address), size) == 0);
    REQUIRE(getsockname(probe.Get(), reinterpret_cast<sockaddr*>(&address), &size) == 0);
    return ntohs(address.sin_port);
}

std::vector<std::wstring> Names(const std::vector<RuntimeEvent>& events) {
    std::vector<std::wstring> names;
    for (const RuntimeEvent& event : events) {
        names.push_back(event.name);
    }
    return names;
}

} // namespace

TEST_SUITE("standin_runtime") {
    TEST_CASE("both builds export creation; only the current one the version probe") {
        const Library current = Load(L"webview2-standin.dll");
        const Library older = Load(L"webview2-standin-noversion.dll");
        CHECK((current.create != nullptr && current.version != nullptr));
        CHECK((older.create != nullptr && older.version == nullptr));
    }

    TEST_CASE("the version probe answers as chosen, and a mistyped choice is unexpected") {
        struct Case {
            const wchar_t* choice;
            HRESULT answer;
            const wchar_t* text;
        };
        const Case cases[] = {
            {L"", S_OK, L"120.0.2210.91"},
            {L"empty", S_OK, L""},
            {L"none", S_OK, nullptr},
            {L"0x80070002", HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), nullptr},
            {L"0x00000001", S_FALSE, L"120.0.2210.91"},
            {L"0x8007002", E_UNEXPECTED, nullptr},
        };
        for (const Case& c : cases) {
            INFO(Text::Utf8Lenient(c.choice));
            const Settings settings({{L"WEBVIEW2_STANDIN_VERSION", c.choice}});
            wchar_t stale[] = L"stale";
            LPWSTR out = stale;
            CHECK(Standin().version(nullptr, &out) == c.answer);
            REQUIRE(out != stale);
            const UniqueCoTaskMemText version(out);
            CHECK(std::wstring(c.text == nullptr ? L"(null)" : c.text) ==
                  (version ? version.Get() : L"(null)"));

            const auto events = settings.Events();
            REQUIRE(!events.empty());
            CHECK(events.back().name == L"version");
            CHECK(events.back().Field(L"answer") == Code(c.answer));
            CHECK(events.back().Field(L"value") == (c.text == nullptr ? L"(null)" : c.text));
            CHECK(EventsNamed(events, L"unexpected").size() ==
                  (c.answer == E_UNEXPECTED ? 1u : 0u));
        }
    }

    TEST_CASE("the normal road ends in a fetch that fails cleanly when nothing listens") {
        const Settings settings;
        const std::wstring userData = settings.Folder() + L"user data";
        auto environmentDone = EnvironmentHandler::Create();
        REQUIRE(Standin().create(nullptr, userData.c_str(), nullptr, environmentDone.Get()) ==
                S_OK);
        CHECK(environmentDone->references == 2);
        REQUIRE(PumpUntil([&] { return environmentDone->calls > 0; }));
        CHECK(environmentDone->referencesInCall == 2);
        CHECK(environmentDone->references == 1);
        CHECK(environmentDone->thread == GetCurrentThreadId());
        CHECK(environmentDone->code == S_OK);
        REQUIRE(environmentDone->result);

        auto controllerDone = ControllerHandler::Create();
        REQUIRE(environmentDone->result->CreateCoreWebView2Controller(
                    FakeParent(), controllerDone.Get()) == S_OK);
        CHECK(controllerDone->references == 2);
        REQUIRE(PumpUntil([&] { return controllerDone->calls > 0; }));
        CHECK(controllerDone->referencesInCall == 2);
        CHECK(controllerDone->references == 1);
        REQUIRE(controllerDone->result);

        ICoreWebView2Controller* controller = controllerDone->result.Get();
        CHECK(controller->put_Bounds(RECT{1, 2, 300, 400}) == S_OK);
        ComPtr<ICoreWebView2> view;
        REQUIRE(controller->get_CoreWebView2(view.Put()) == S_OK);
        REQUIRE(view);
        CheckQueryInterface(environmentDone->result.Get(), IID_ICoreWebView2Environment);
        CheckQueryInterface(controller, IID_ICoreWebView2Controller);
        CheckQueryInterface(view.Get(), IID_ICoreWebView2);
        const std::wstring uri = L"http://127.0.0.1:" + Text::Decimal(QuietPort()) + L"/";
        CHECK(view->Navigate(uri.c_str()) == S_OK);

        // Slot 60, the last, lands in a placeholder of the view: the table has its full length.
        using Slot = HRESULT(STDMETHODCALLTYPE*)(ICoreWebView2*);
        void* const* table = *reinterpret_cast<void* const* const*>(view.Get());
        CHECK(reinterpret_cast<Slot>(table[60])(view.Get()) == E_NOTIMPL);

        const auto events = settings.Events();
        CHECK(Names(events) == std::vector<std::wstring>{L"create", L"environment-invoke",
                                                         L"controller-call", L"controller-invoke",
                                                         L"bounds", L"view", L"navigate", L"fetch",
                                                         L"unexpected"});
        REQUIRE(events.size() == 9);
        const std::pair<std::wstring, std::wstring> expected[][4] = {
            {{L"folder", L"(null)"},
             {L"userData", userData},
             {L"options", L"no"},
             {L"answer", L"00000000"}},
            {{L"hr", L"00000000"}, {L"object", L"yes"}, {L"result", L"00000000"}, {}},
            {{L"parent", L"ABC123"}, {L"answer", L"00000000"}, {}, {}},
            {{L"hr", L"00000000"}, {L"object", L"yes"}, {L"result", L"00000000"}, {}},
            {{L"left", L"1"}, {L"top", L"2"}, {L"right", L"300"}, {L"bottom", L"400"}},
            {{L"answer", L"00000000"}, {L"object", L"yes"}, {}, {}},
            {{L"uri", uri}, {L"answer", L"00000000"}, {}, {}},
            {{L"error", L"10061"}, {}, {}, {}},
            {{L"method", L"ICoreWebView2::Slot60"}, {}, {}, {}},
        };
        for (std::size_t i = 0; i < events.size(); ++i) {
            INFO(Text::Utf8Lenient(events[i].name));
            CHECK(!events[i].Field(L"time").empty());
            for (const auto& [key, value] : expected[i]) {
                CHECK(events[i].Field(key) == value);
            }
        }
        CHECK(!events[7].Has(L"status"));
    }

    TEST_CASE("a fetch gives up within its limit on a listener that takes no more connections") {
        UniqueSocket listener = Winsock::NewTcpSocket();
        sockaddr_in address = Winsock::Loopback(0);
        int size = static_cast<int>(sizeof address);
        REQUIRE(bind(listener.Get(), reinterpret_cast<const sockaddr*>(&address), size) == 0);
        REQUIRE(getsockname(listener.Get(), reinterpret_cast<sockaddr*>(&address), &size) == 0);
        REQUIRE(listen(listener.Get(), 1) == 0);
        // Never accepted: once the queue is full, a further connection waits, and a blocking
        // connect would wait for minutes.
        std::vector<UniqueSocket> queued;
        for (int i = 0; i < 16; ++i) {
            queued.push_back(Winsock::NewTcpSocket());
            u_long nonBlocking = 1;
            REQUIRE(ioctlsocket(queued.back().Get(), static_cast<long>(FIONBIO), &nonBlocking) ==
                    0);
            connect(queued.back().Get(), reinterpret_cast<const sockaddr*>(&address), size);
        }
        const Settings settings;
        const auto environment = CreateEnvironment();
        REQUIRE(environment->result);
        const auto controller = CreateController(environment->result.Get());
        REQUIRE(controller->result);
        ComPtr<ICoreWebView2> view;
        REQUIRE(controller->result->get_CoreWebView2(view.Put()) == S_OK);
        const std::wstring uri =
            L"http://127.0.0.1:" + Text::Decimal(ntohs(address.sin_port)) + L"/";
        const ULONGLONG start = GetTickCount64();
        CHECK(view->Navigate(uri.c_str()) == S_OK);
        const ULONGLONG took = GetTickCount64() - start;
        CHECK_MESSAGE(took < 10000, "the fetch took " << took << " ms");
        const auto fetched = EventsNamed(settings.Events(), L"fetch");
        REQUIRE(fetched.size() == 1);
        CHECK(fetched[0].Field(L"error") == L"10060");
        CHECK(!fetched[0].Has(L"status"));
    }

    TEST_CASE("refusals come from the call itself, and a refused handler is neither kept nor "
              "called") {
        struct Case {
            const wchar_t* withOptions;
            const wchar_t* plain;
            HRESULT answerWithOptions;
            HRESULT answerWithout;
        };
        const Case cases[] = {
            {L"0x80070057", nullptr, E_INVALIDARG, S_OK},
            {L"0x80070057", L"0x80004005", E_INVALIDARG, E_FAIL},
        };
        for (const Case& c : cases) {
            INFO(Text::Utf8Lenient(c.plain == nullptr ? L"-" : c.plain));
            const Settings settings({{L"WEBVIEW2_STANDIN_CREATE_WITH_OPTIONS", c.withOptions},
                                     {L"WEBVIEW2_STANDIN_CREATE", c.plain}});
            auto options = Options::Create();
            auto refused = EnvironmentHandler::Create();
            auto second = EnvironmentHandler::Create();
            CHECK(Standin().create(nullptr, nullptr, options.Get(), refused.Get()) ==
                  c.answerWithOptions);
            CHECK(Standin().create(nullptr, nullptr, nullptr, second.Get()) == c.answerWithout);
            CHECK(refused->references == 1);
            PumpFor(300);
            CHECK(refused->calls == 0);
            CHECK(second->calls == (SUCCEEDED(c.answerWithout) ? 1 : 0));
            CHECK(second->references == 1);

            const auto events = settings.Events();
            const auto creates = EventsNamed(events, L"create");
            const auto asked = EventsNamed(events, L"options");
            REQUIRE(creates.size() == 2);
            CHECK(creates[0].Field(L"options") == L"yes");
            CHECK(creates[0].Field(L"answer") == Code(c.answerWithOptions));
            CHECK(creates[1].Field(L"options") == L"no");
            CHECK(creates[1].Field(L"answer") == Code(c.answerWithout));
            REQUIRE(asked.size() == 1);
            CHECK(asked[0].Field(L"arguments") == L"--lang=nl  --name=Brindl\u00e9");
            CHECK(asked[0].Field(L"language") == L"(null)");
            CHECK(asked[0].Field(L"target") == L"120.0.2210.91");
            CHECK(asked[0].Field(L"sso") == L"1");
            CHECK(asked[0].Field(L"other") == Code(E_NOINTERFACE));
            CHECK(asked[0].Field(L"otherNulled") == L"yes");
        }
    }

    TEST_CASE("late failures and missing objects reach the handlers as chosen") {
        struct Case {
            const wchar_t* variable;
            const wchar_t* choice;
            HRESULT code;
            bool object;
        };
        const Case cases[] = {
            {L"WEBVIEW2_STANDIN_ENVIRONMENT", L"0x80004005", E_FAIL, false},
            {L"WEBVIEW2_STANDIN_ENVIRONMENT", L"none", S_OK, false},
            {L"WEBVIEW2_STANDIN_ENVIRONMENT", L"0x00000001", S_FALSE, true},
            {L"WEBVIEW2_STANDIN_CONTROLLER", L"0x80004004", E_ABORT, false},
            {L"WEBVIEW2_STANDIN_CONTROLLER", L"none", S_OK, false},
        };
        for (const Case& c : cases) {
            INFO(Text::Utf8Lenient(std::wstring(c.variable) + L"=" + c.choice));
            const Settings settings({{c.variable, c.choice}});
            const auto environment = CreateEnvironment();
            HRESULT code = environment->code;
            bool object = static_cast<bool>(environment->result);
            std::wstring event = L"environment-invoke";
            if (std::wstring_view(c.variable) == L"WEBVIEW2_STANDIN_CONTROLLER") {
                REQUIRE(environment->result);
                const auto controller = CreateController(environment->result.Get());
                code = controller->code;
                object = static_cast<bool>(controller->result);
                event = L"controller-invoke";
            }
            CHECK(code == c.code);
            CHECK(object == c.object);
            const auto invoked = EventsNamed(settings.Events(), event);
            REQUIRE(invoked.size() == 1);
            CHECK(invoked[0].Field(L"hr") == Code(c.code));
            CHECK(invoked[0].Field(L"object") == (c.object ? L"yes" : L"no"));
        }
    }

    TEST_CASE("a held answer waits until its window is destroyed, and comes before the quit") {
        for (const std::wstring held : {L"environment", L"controller"}) {
            INFO(Text::Utf8Lenient(held));
            const Settings settings({{L"WEBVIEW2_STANDIN_HOLD", held.c_str()}});
            // Shown, as the shell's main window is when it asks.
            HWND window = CreateWindowExW(0, L"STATIC", L"held", WS_POPUP | WS_VISIBLE, 0, 0, 50,
                                          50, nullptr, nullptr, nullptr, nullptr);
            REQUIRE(window != nullptr);
            auto environment = EnvironmentHandler::Create();
            auto controller = ControllerHandler::Create();
            int* calls = &environment->calls;
            REQUIRE(Standin().create(nullptr, nullptr, nullptr, environment.Get()) == S_OK);
            if (held == L"controller") {
                REQUIRE(PumpUntil([&] { return environment->calls > 0; }));
                REQUIRE(environment->result);
                REQUIRE(environment->result->CreateCoreWebView2Controller(
                            window, controller.Get()) == S_OK);
                calls = &controller->calls;
            }
            PumpFor(300);
            CHECK(*calls == 0);
            DestroyWindow(window);
            PostQuitMessage(0);
            // Posted before the quit: a loop that stops at the quit still runs the answer.
            REQUIRE_MESSAGE(PumpUntilQuit(), "the quit message did not come within 5 s");
            CHECK(*calls == 1);
            CHECK(EventsNamed(settings.Events(), held + L"-invoke").size() == 1);
        }
    }

    TEST_CASE("a hold without a window of this thread, or mistyped, refuses the request") {
        struct Case {
            const wchar_t* held;
            std::size_t unexpected;
        };
        // No window is shown here, and the controller's parent is no window at all.
        const Case cases[] = {{L"environment", 0}, {L"controller", 0}, {L"controler", 1}};
        for (const Case& c : cases) {
            INFO(Text::Utf8Lenient(c.held));
            const auto environment = CreateEnvironment();
            REQUIRE(environment->result);
            const Settings settings({{L"WEBVIEW2_STANDIN_HOLD", c.held}});
            HRESULT answer = S_OK;
            ULONG references = 0;
            if (std::wstring_view(c.held) == L"environment") {
                auto refused = EnvironmentHandler::Create();
                answer = Standin().create(nullptr, nullptr, nullptr, refused.Get());
                references = refused->references;
            } else {
                auto refused = ControllerHandler::Create();
                answer =
                    environment->result->CreateCoreWebView2Controller(FakeParent(), refused.Get());
                references = refused->references;
            }
            CHECK(answer == E_UNEXPECTED);
            CHECK(references == 1);
            CHECK(EventsNamed(settings.Events(), L"unexpected").size() == c.unexpected);
        }
    }
}
