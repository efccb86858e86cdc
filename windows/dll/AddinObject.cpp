#include "windows/dll/AddinObject.h"

#include "addin/Connect.h"
#include "addin/Registration.h"
#include "engine/LinkKeys.h"
#include "forms/QuickSync.h"
#include "services/Settings.h"
#include "windows/com/Com.h"
#include "windows/com/ComCalendar.h"
#include "windows/com/ComCommandBars.h"
#include "windows/com/ComProject.h"
#include "windows/com/Wide.h"
#include "windows/com/WinRegistry.h"
#include "windows/dialogs/NativeWindows.h"

#include <array>
#include <memory>
#include <optional>

namespace zelvant {

std::atomic<long> gLiveObjects{0};

namespace {

constexpr std::array<const wchar_t*, 5> kEventNames{L"OnConnection", L"OnDisconnection", L"OnAddInsUpdate",
                                                    L"OnStartupComplete", L"OnBeginShutdown"};

// The application object the host passed, as the add-in sees it.
class ComHostApplication : public HostApplication {
public:
    explicit ComHostApplication(Dispatch application)
        : application_(std::move(application)), plan_(application_)
    {
    }

    CommandBars* commandBars() override
    {
        if (!bars_)
            bars_.emplace(application_.object("CommandBars"));
        return &*bars_;
    }
    ProjectApplication* projectApplication() override { return &plan_; }

private:
    Dispatch application_;
    ComProjectApplication plan_;
    std::optional<ComCommandBars> bars_;
};

// The user's side when another program answers for him (see IZelvantUserInterface).
class ScriptedMessages : public MessageSink {
public:
    explicit ScriptedMessages(Dispatch answers) : answers_(std::move(answers)) {}
    void warning(const std::string& text, const std::string& title) override { tell("Warning", text, title); }
    void information(const std::string& text, const std::string& title) override
    {
        tell("Information", text, title);
    }
    bool askYesNo(const std::string& text, const std::string& title) override
    {
        try {
            return answers_.call("AskYesNo", {text, title}).flag();
        } catch (const std::exception&) {
            return false; // no answer is "Nein": nothing is done that was not agreed to
        }
    }

private:
    void tell(const char* member, const std::string& text, const std::string& title)
    {
        try {
            answers_.call(member, {text, title});
        } catch (const std::exception&) {
            // A message nobody takes is lost, as an unattended box would be; the run goes on.
        }
    }
    Dispatch answers_;
};

class ScriptedProgress : public ProgressSink {
public:
    explicit ScriptedProgress(const Dispatch& answers) : answers_(answers) {}
    void showProgress(double percent, const std::string& text) override
    {
        try {
            answers_.call("Progress", {int(percent + 0.5), text});
        } catch (const std::exception&) {
            // Progress is only shown; the run does not depend on it.
        }
    }

private:
    const Dispatch& answers_;
};

// The two windows without a screen: the quick synchronisation runs straight away, the wizard's
// opening is reported.
class ScriptedWindows : public AddinWindows {
public:
    ScriptedWindows(Dispatch answers, ProjectApplication& host, CalendarLauncher& launcher,
                    Registry& registry, MessageSink& messages)
        : answers_(std::move(answers)), host_(host), launcher_(launcher), registry_(registry),
          messages_(messages)
    {
    }

    std::unique_ptr<WizardFormHandle> createWizard() override { return std::make_unique<Wizard>(answers_); }
    std::unique_ptr<QuickSyncFormHandle> createQuickSync() override
    {
        return std::make_unique<QuickSync>(*this);
    }

private:
    class Wizard : public WizardFormHandle {
    public:
        explicit Wizard(const Dispatch& answers) : answers_(answers) {}
        WizardOptions options() const override { return options_; }
        void applyOptions(const WizardOptions& options) override { options_ = options; }
        void setTabOrder(const std::vector<std::string>&) override {}
        void hideLabel(const std::string&) override {}
        void showModal() override { answers_.call("Wizard"); }

    private:
        const Dispatch& answers_;
        WizardOptions options_;
    };

    class QuickSync : public QuickSyncFormHandle {
    public:
        explicit QuickSync(ScriptedWindows& owner) : owner_(owner) {}
        void showModal() override
        {
            ScriptedProgress progress(owner_.answers_);
            Registry& registry = owner_.registry_;
            DoQuickSync({owner_.host_, owner_.launcher_, owner_.messages_, progress, [](int) {},
                         [&registry] { return recreateDeletedAppointments(registry); }});
        }

    private:
        ScriptedWindows& owner_;
    };

    Dispatch answers_;
    ProjectApplication& host_;
    CalendarLauncher& launcher_;
    Registry& registry_;
    MessageSink& messages_;
};

// Message boxes on the screen, or to the program that answers for the user.
class RoutedMessages : public MessageSink {
public:
    void answerBy(std::unique_ptr<MessageSink> scripted) { scripted_ = std::move(scripted); }
    void warning(const std::string& text, const std::string& title) override { sink().warning(text, title); }
    void information(const std::string& text, const std::string& title) override
    {
        sink().information(text, title);
    }
    bool askYesNo(const std::string& text, const std::string& title) override
    {
        return sink().askYesNo(text, title);
    }

private:
    MessageSink& sink() { return scripted_ ? *scripted_ : screen_; }
    NativeMessageSink screen_;
    std::unique_ptr<MessageSink> scripted_;
};

// Everything that lives from OnConnection to OnDisconnection; dropping it releases every
// reference to the host's objects.
struct Connection {
    Connection(IDispatch* application, WinRegistry& registry, RoutedMessages& messages, Shell& shell,
               const Clock& clock, const DispatchPtr& answers)
        : host(Dispatch(DispatchPtr::share(application), "Application"))
    {
        ProjectApplication& plan = *host.projectApplication();
        if (answers)
            windows = std::make_unique<ScriptedWindows>(Dispatch(answers, "UserInterface"), plan, launcher,
                                                        registry, messages);
        else
            windows = makeNativeWindows({plan, launcher, registry, shell, messages});
        connect = std::make_unique<Connect>(ConnectServices{registry, messages, *windows, clock});
    }

    ComHostApplication host;
    ComCalendarLauncher launcher;
    std::unique_ptr<AddinWindows> windows;
    std::unique_ptr<Connect> connect;
};

std::string progIdOf(IDispatch* addInInst)
{
    try {
        return addInInst ? Dispatch(DispatchPtr::share(addInInst), "AddInInst").get("ProgId").text()
                         : kProgId;
    } catch (const std::exception&) {
        return kProgId; // a host whose instance object says nothing: the name we are registered under
    }
}

class AddinObject final : public IDTExtensibility2, public IZelvantUserInterface {
public:
    AddinObject() { ++gLiveObjects; }
    AddinObject(const AddinObject&) = delete;
    AddinObject& operator=(const AddinObject&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
            IsEqualIID(iid, kExtensibility2Iid))
            *object = static_cast<IDTExtensibility2*>(this);
        else if (IsEqualIID(iid, kUserInterfaceIid))
            *object = static_cast<IZelvantUserInterface*>(this);
        else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }

    // IDispatch: the five events by name and number, for hosts that call late-bound.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (!count)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override
    {
        if (info)
            *info = nullptr;
        return DISP_E_BADINDEX;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override
    {
        if (!names || !ids || count == 0)
            return E_INVALIDARG;
        HRESULT result = S_OK;
        for (UINT i = 0; i < count; ++i) {
            ids[i] = DISPID_UNKNOWN;
            if (i > 0) { // the events take no named arguments
                result = DISP_E_UNKNOWNNAME;
                continue;
            }
            for (std::size_t event = 0; event < kEventNames.size(); ++event)
                if (names[0] && _wcsicmp(names[0], kEventNames[event]) == 0)
                    ids[0] = DISPID(event + 1);
            if (ids[0] == DISPID_UNKNOWN)
                result = DISP_E_UNKNOWNNAME;
        }
        return result;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO*, UINT* argumentError) override
    {
        if (!(flags & DISPATCH_METHOD))
            return DISP_E_MEMBERNOTFOUND;
        if (result)
            VariantInit(result);
        const UINT given = parameters ? parameters->cArgs : 0;
        const UINT wanted = id == 1 ? 4 : id == 2 ? 2 : 1;
        if (id < 1 || id > 5)
            return DISP_E_MEMBERNOTFOUND;
        if (given != wanted)
            return DISP_E_BADPARAMCOUNT;
        // Arguments arrive last to first; `argument(0)` is the first the caller wrote.
        const auto argument = [&](UINT index) -> VARIANT& { return parameters->rgvarg[given - 1 - index]; };
        try {
            switch (id) {
            case 1: {
                const Variant application = copyOf(argument(0)); // by value or by reference alike
                const Variant mode = copyOf(argument(1));
                const Variant instance = copyOf(argument(2));
                SAFEARRAY* custom = arrayOf(argument(3));
                return OnConnection(application.object().get(), mode.number(), instance.object().get(),
                                    &custom);
            }
            case 2: {
                SAFEARRAY* custom = arrayOf(argument(1));
                return OnDisconnection(copyOf(argument(0)).number(), &custom);
            }
            default:
                return S_OK; // the three other events need nothing
            }
        } catch (const std::exception&) {
            if (argumentError)
                *argumentError = 0;
            return DISP_E_TYPEMISMATCH;
        }
    }

    // IDTExtensibility2
    HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* application, int connectMode, IDispatch* addInInst,
                                           SAFEARRAY** customArray) override
    {
        if (!application)
            return E_INVALIDARG;
        try {
            connection_.reset();
            connection_ =
                std::make_unique<Connection>(application, registry_, messages_, shell_, clock_, answers_);
            AddInInstance instance{progIdOf(addInInst)};
            CustomArguments custom = customOf(customArray);
            connection_->connect->OnConnection(connection_->host, ConnectMode(connectMode), instance, custom);
            return S_OK;
        } catch (const std::exception&) {
            connection_.reset();
            return E_FAIL; // Connect reports its own failures; this one is in reaching the host at all
        }
    }
    HRESULT STDMETHODCALLTYPE OnDisconnection(int removeMode, SAFEARRAY** customArray) override
    {
        if (!connection_)
            return S_OK;
        CustomArguments custom = customOf(customArray);
        connection_->connect->OnDisconnection(RemoveMode(removeMode), custom);
        connection_.reset();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY**) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY**) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY**) override { return S_OK; }

    // IZelvantUserInterface
    HRESULT STDMETHODCALLTYPE UseUserInterface(IDispatch* answers) override
    {
        answers_ = DispatchPtr::share(answers);
        messages_.answerBy(answers ? std::make_unique<ScriptedMessages>(Dispatch(answers_, "UserInterface"))
                                   : nullptr);
        return S_OK;
    }

private:
    ~AddinObject()
    {
        connection_.reset();
        --gLiveObjects;
    }
    // The host's custom arguments as text. The add-in needs none of them, so an array it cannot
    // read is passed on as none rather than refusing to load or to take its controls away.
    static CustomArguments customOf(SAFEARRAY** custom)
    {
        try {
            return SafeArray::texts(custom ? *custom : nullptr);
        } catch (const std::exception&) {
            return {};
        }
    }
    // The array an event argument carries, by value or by reference; nullptr for none (a
    // host may leave the optional custom arguments out).
    static SAFEARRAY* arrayOf(const VARIANT& value)
    {
        if (!(value.vt & VT_ARRAY))
            return nullptr;
        if (value.vt & VT_BYREF)
            return value.pparray ? *value.pparray : nullptr;
        return value.parray;
    }
    static Variant copyOf(const VARIANT& value)
    {
        Variant copy;
        check(VariantCopyInd(copy.put(), const_cast<VARIANT*>(&value)), "VariantCopyInd");
        return copy;
    }

    std::atomic<ULONG> references_{1};
    WinRegistry registry_;
    RoutedMessages messages_;
    NativeShell shell_;
    SystemClock clock_;
    DispatchPtr answers_;
    std::unique_ptr<Connection> connection_;
};

} // namespace

IDTExtensibility2* createAddinObject()
{
    return new AddinObject();
}

} // namespace zelvant
