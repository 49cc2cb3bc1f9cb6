#include "autostart/logon_task_win.h"

#include <windows.h>

#include <oleauto.h>
#include <taskschd.h>

#include <stdexcept>
#include <vector>

#include "text/codepage_win.h"
#include "winui/on_demand_win.h"
#include "text/number_text.h"

namespace vantrel {

namespace {

// Owns one reference to a COM object.
template <class T>
class ComRef {
public:
    ComRef() = default;
    ~ComRef() {
        if (p_) p_->Release();
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    T* operator->() const { return p_; }
    T* get() const { return p_; }
    T** out() { return &p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

// A BSTR made from GBK text, or received from the service.
class Bstr {
public:
    Bstr() = default;
    explicit Bstr(const std::string& gbk) {
        const WideText wide = Wide(gbk);
        b_ = SysAllocStringLenOnDemand(wide.c_str(), static_cast<UINT>(wide.length()));
    }
    ~Bstr() { SysFreeStringOnDemand(b_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR get() const { return b_; }
    BSTR* out() { return &b_; }
    std::string Gbk() const {
        return b_ ? Narrow(b_, static_cast<int>(SysStringLenOnDemand(b_))) : std::string();
    }

private:
    BSTR b_ = nullptr;
};

// COM for the calling thread, for as long as one operation lasts. A thread
// that already has COM in another model keeps it.
class ComScope {
public:
    ComScope() : hr_(CoInitializeExOnDemand(COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(hr_)) CoUninitializeOnDemand();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    HRESULT hr_;
};

bool VistaOrLater() {
    OSVERSIONINFOA os = {};
    os.dwOSVersionInfoSize = sizeof os;
    return GetVersionExA(&os) && os.dwMajorVersion >= 6;
}

[[noreturn]] void Refused(const char* what, HRESULT hr) {
    throw std::runtime_error(std::string(what) + "失败 (0x" +
                             HexDigits(static_cast<std::uint32_t>(hr), 8, true) + ")");
}

// The root folder of a connected service; false when there is none.
bool RootFolder(ComRef<ITaskService>& service, ComRef<ITaskFolder>& root) {
    if (!VistaOrLater()) return false;
    if (FAILED(CoCreateInstanceOnDemand(__uuidof(TaskScheduler), __uuidof(ITaskService),
                                        reinterpret_cast<void**>(service.out()))))
        return false;
    VARIANT none = {};  // VT_EMPTY: what VariantInit makes of it
    if (FAILED(service->Connect(none, none, none, none))) return false;
    Bstr path("\\");
    return SUCCEEDED(service->GetFolder(path.get(), root.out()));
}

// The first action that starts a program: its path as registered.
std::string ExecPath(ITaskDefinition* definition) {
    ComRef<IActionCollection> actions;
    long count = 0;
    if (FAILED(definition->get_Actions(actions.out())) || !actions || FAILED(actions->get_Count(&count)))
        return "";
    for (long i = 1; i <= count; ++i) {  // the collection counts from 1
        ComRef<IAction> action;
        TASK_ACTION_TYPE type = TASK_ACTION_EXEC;
        if (FAILED(actions->get_Item(i, action.out())) || !action || FAILED(action->get_Type(&type)) ||
            type != TASK_ACTION_EXEC)
            continue;
        ComRef<IExecAction> exec;
        Bstr path;
        if (FAILED(action->QueryInterface(__uuidof(IExecAction), reinterpret_cast<void**>(exec.out()))) ||
            FAILED(exec->get_Path(path.out())))
            return "";
        return path.Gbk();
    }
    return "";
}

bool HasLogonTrigger(ITaskDefinition* definition) {
    ComRef<ITriggerCollection> triggers;
    long count = 0;
    if (FAILED(definition->get_Triggers(triggers.out())) || !triggers || FAILED(triggers->get_Count(&count)))
        return false;
    for (long i = 1; i <= count; ++i) {
        ComRef<ITrigger> trigger;
        TASK_TRIGGER_TYPE2 type = TASK_TRIGGER_EVENT;
        if (SUCCEEDED(triggers->get_Item(i, trigger.out())) && trigger && SUCCEEDED(trigger->get_Type(&type)) &&
            type == TASK_TRIGGER_LOGON)
            return true;
    }
    return false;
}

// The group the task runs as, which tells this version's task (the group
// Administrators) from an earlier one's (the group Users).
std::string PrincipalGroup(ITaskDefinition* definition) {
    ComRef<IPrincipal> principal;
    Bstr group;
    if (FAILED(definition->get_Principal(principal.out())) || !principal ||
        FAILED(principal->get_GroupId(group.out())))
        return "";
    return group.Gbk();
}

}  // namespace

bool SystemTaskServiceAvailable() {
    ComScope com;
    ComRef<ITaskService> service;
    ComRef<ITaskFolder> root;
    return RootFolder(service, root);
}

bool FindSystemTask(const std::string& name, RegisteredTask& task) {
    ComScope com;
    ComRef<ITaskService> service;
    ComRef<ITaskFolder> root;
    if (!RootFolder(service, root)) return false;
    ComRef<IRegisteredTask> found;
    Bstr taskName(name);
    if (FAILED(root->GetTask(taskName.get(), found.out())) || !found) return false;
    VARIANT_BOOL enabled = VARIANT_FALSE;
    found->get_Enabled(&enabled);
    task.enabled = enabled != VARIANT_FALSE;
    ComRef<ITaskDefinition> definition;
    if (SUCCEEDED(found->get_Definition(definition.out())) && definition) {
        task.command = ExecPath(definition.get());
        task.startsAtLogon = HasLogonTrigger(definition.get());
        task.groupId = PrincipalGroup(definition.get());
    }
    return true;
}

void RegisterSystemTask(const std::string& name, const std::string& xml) {
    ComScope com;
    ComRef<ITaskService> service;
    ComRef<ITaskFolder> root;
    if (!RootFolder(service, root)) Refused("连接任务计划程序", E_FAIL);
    Bstr taskName(name);
    Bstr definition(xml);
    VARIANT none = {};  // VT_EMPTY: what VariantInit makes of it
    ComRef<IRegisteredTask> registered;
    // The principal is the group named in the definition.
    HRESULT hr = root->RegisterTask(taskName.get(), definition.get(), TASK_CREATE_OR_UPDATE, none,
                                    none, TASK_LOGON_GROUP, none, registered.out());
    if (FAILED(hr)) Refused("创建计划任务", hr);
}

void DeleteSystemTask(const std::string& name) {
    ComScope com;
    ComRef<ITaskService> service;
    ComRef<ITaskFolder> root;
    if (!RootFolder(service, root)) return;
    Bstr taskName(name);
    HRESULT hr = root->DeleteTask(taskName.get(), 0);
    if (FAILED(hr) && hr != HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)) Refused("删除计划任务", hr);
}

}  // namespace vantrel
