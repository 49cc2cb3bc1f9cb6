#include "ui/settings_window_win.h"

#include "ui/more_settings_window_win.h"

#include <memory>
#include <vector>

#include "actions/system_ops.h"
#include "actions/utility_actions_win.h"
#include "scheduler/clock.h"
#include "scheduler/conversions.h"
#include "scheduler/next_due.h"
#include "scheduler/time_text.h"
#include "store/extra_settings.h"
#include "text/codepage_win.h"
#include "ui/settings_logic.h"
#include "ui/task_editor_win.h"
#include "winui/accessible_win.h"
#include "winui/file_dialog_win.h"
#include "winui/on_demand_win.h"

// Vista's message, absent from the XP headers this program is built with; XP
// never receives it.
#ifndef BCM_SETSHIELD
#define BCM_SETSHIELD 0x160C
#endif

namespace vantrel {

const char* const kTasksChangedText = "任务已被其他程序更改，列表已重新读取";

const char* const kProgramPathNotGbkText =
    "Vantrel所在文件夹的路径含有GBK以外的字符，无法设置开机启动。\n"
    "请将Vantrel移到名称只含简体中文和英文的文件夹中，或取消“开机启动Vantrel”。";

namespace {

const wchar_t kListProp[] = L"Vantrel.SettingsWindow";
const wchar_t kListOldProc[] = L"Vantrel.ListOldProc";

// The enable combo lives inside the list, so its notifications reach the
// list; hand them on to the window.
LRESULT CALLBACK ListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto old = reinterpret_cast<WNDPROC>(GetPropW(hwnd, kListOldProc));
    if (msg == WM_COMMAND && LOWORD(wParam) == SettingsWindow::kComboBox1) {
        if (HWND window = static_cast<HWND>(GetPropW(hwnd, kListProp)))
            return SendMessageW(window, WM_COMMAND, wParam, lParam);
    }
    if (msg == WM_NCDESTROY) {
        RemovePropW(hwnd, kListProp);
        RemovePropW(hwnd, kListOldProc);
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
    }
    return CallWindowProcW(old, hwnd, msg, wParam, lParam);
}

struct Column {
    const char* title;
    int width;
};
const Column kColumns[] = {{"序号", 40},     {"时间", 120},    {"任务", 90},
                           {"任务属性", 130}, {"是否启用", 70}, {"下次运行", 110}};
const int kColumnCount = 6;
const int kParameterColumn = 3;  // "任务属性", the one that gives way
const int kEnabledColumn = 4;    // "是否启用", under the enable combo
const int kNextRunColumn = 5;    // "下次运行", computed, never stored
// The window is wider than the five stored columns by the next-run column;
// everything below the list keeps its place in the middle.
const int kWindowWidth = 458 + 110;
const int kShift = 110 / 2;
const UINT_PTR kNextRunTimer = 1;

UINT ToNextMinute() { return MillisecondsToNextMinute(LocalTimeNow()); }

}  // namespace

SettingsWindow::SettingsWindow(SettingsHost& host) : host_(host) {}

SettingsWindow::~SettingsWindow() {
    if (CurrentTaskList() == this) SetCurrentTaskList(nullptr);
}

SettingsWindow* SettingsWindow::Open(SettingsHost& host) {
    host.HoldTick();
    std::unique_ptr<SettingsWindow> owned(new SettingsWindow(host));
    SettingsWindow* window = owned.get();
    OwnedForms::Adopt(std::move(owned));
    if (!window->Create()) {
        window->OnClose();
        return nullptr;
    }
    SetCurrentTaskList(window);
    window->Show();
    window->Fill();
    return window;
}

bool SettingsWindow::Create() {
    EnsureCommonControls();  // the task list is a list view
    if (!CreateForm("TForm3", "设置", WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, kWindowWidth, 349))
        return false;
    font_ = FormFont();
    smallFont_ = FormFont(12);
    HFONT f = font_.get();
    // Creation order is the tab order, in reading order; each label comes
    // right before its box, the unit after it. Cancel gets the focus below.
    // The list spans the whole width, so that its six columns (560 pixels)
    // fit inside its border without a horizontal scroll bar, and the enable
    // combo over the fifth column is never cut off.
    list_ = AddControl(WC_LISTVIEWA, "",
                       WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0,
                       0, kWindowWidth, 202, kListView1, f);
    NameInput(*this, list_, "任务列表");
    SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    for (int i = 0; i < kColumnCount; ++i) {
        WideText title = Wide(kColumns[i].title);
        LVCOLUMNW col = {};
        col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        col.pszText = title.data();
        col.cx = Scale(kColumns[i].width);
        col.iSubItem = i;
        SendMessageW(list_, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&col));
    }
    AddControl("BUTTON", "添加(&A)", WS_TABSTOP, kShift + 48, 210, 75, 25, kButton4, f);
    AddControl("BUTTON", "修改(&M)", WS_TABSTOP, kShift + 191, 210, 75, 25, kButton5, f);
    AddControl("BUTTON", "删除(&D)", WS_TABSTOP, kShift + 334, 210, 75, 25, kButton6, f);
    HWND c2 = AddControl("BUTTON", "开机启动Vantrel(&S)", WS_TABSTOP | BS_AUTOCHECKBOX, kShift + 16,
                         244, 200, 18, kCheckBox2, f);
    AddControl("STATIC", "关机前等待(&W):", SS_LEFTNOWORDWRAP, kShift + 340, 248, 92, 16, 0, f);
    HWND wait = AddControl("EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, kShift + 432, 245, 24, 20,
                           kEdit5, f, WS_EX_CLIENTEDGE);
    AddControl("STATIC", "分钟", SS_LEFTNOWORDWRAP, kShift + 458, 248, 28, 16, 0, f);
    HWND c5 = AddControl("BUTTON", "待机前关闭所有程序(&P)", WS_TABSTOP | BS_AUTOCHECKBOX,
                         kShift + 16, 264, 200, 18, kCheckBox5, f);
    AddControl("STATIC", "关机前声音提示(&V):", SS_LEFTNOWORDWRAP, kShift + 226, 248, 112, 16, 0, f);
    AddControl("EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, kShift + 226, 270, 190, 20, kEdit8, f,
               WS_EX_CLIENTEDGE);
    HWND browse = AddControl("BUTTON", "浏览", WS_TABSTOP, kShift + 418, 270, 34, 20, kButton3,
                             smallFont_.get());
    AddControl("BUTTON", "显示开机时间(&T)", WS_TABSTOP | BS_AUTOCHECKBOX, kShift + 16, 284, 200, 18,
               kCheckBox1, f);
    HWND c3 = AddControl("BUTTON", "使用Ctrl热键(&R)", WS_TABSTOP | BS_AUTOCHECKBOX, kShift + 16,
                         304, 120, 18, kCheckBox3, f);
    HWND ok = AddControl("BUTTON", "确定(&O)", WS_TABSTOP, kShift + 143, 320, 75, 24, kButton1, f);
    HWND cancel = AddControl("BUTTON", "取消(&C)", WS_TABSTOP | BS_DEFPUSHBUTTON, kShift + 240, 320,
                             75, 24, kButton2, f);
    AddControl("BUTTON", "更多设置…", WS_TABSTOP, kShift + 337, 320, 90, 24, kButton7, f);
    FilterKeys(wait, "0123456789.");

    // The enable combo lies over the "是否启用" cell of a row, inside the list.
    combo_ = CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | WS_VSCROLL | CBS_DROPDOWNLIST, 0, 0,
                             Scale(70), Scale(120), list_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(kComboBox1)),
                             GetModuleHandleW(nullptr), nullptr);
    SendMessageW(combo_, WM_SETFONT, reinterpret_cast<WPARAM>(ScaledFont(f)), FALSE);
    AddComboText(combo_, kEnabledText);
    AddComboText(combo_, kDisabledText);
    SetPropW(list_, kListProp, hwnd());
    SetPropW(list_, kListOldProc,
             reinterpret_cast<HANDLE>(
                 SetWindowLongPtrW(list_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ListProc))));

    tips_.Create(hwnd());
    tips_.Add(ok, "仅对本机设置");
    tips_.Add(cancel, "取消本次操作");
    tips_.Add(browse, "设置关机前声音提示的音频文件，仅支持wav文件。");
    tips_.Add(c2, "管理员登录 Windows 时启动 Vantrel，标准用户登录时不启动（Windows XP：每个用户登录时启动）。");
    tips_.Add(c5, "待机休眠前关闭应用程序");
    tips_.Add(c3, "是否在热键F8、F9、F10、F11前加Ctrl键，使用该键防止软件热键冲突。");
    SetFocus(cancel);
    SetTimer(hwnd(), kNextRunTimer, ToNextMinute(), nullptr);
    return true;
}

void SettingsWindow::Fill() {
    SettingsView view = host_.store().LoadSettings(host_.settings(), ProgramPath());
    shown_ = ShownChoice(view);
    FillTasks(view);
    SetText(control(kEdit5), FormatWaitMinutes(view.countdownSeconds));
    CheckDlgButton(hwnd(), kCheckBox5, view.closeAll ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(hwnd(), kCheckBox1, view.greeting ? BST_CHECKED : BST_UNCHECKED);
    SetText(control(kEdit8), view.soundPath);
    CheckDlgButton(hwnd(), kCheckBox3, view.ctrlHotkeys ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(hwnd(), kCheckBox2, view.runAtLogon ? BST_CHECKED : BST_UNCHECKED);
    ShowPolicies(view.policies);
    if (!host_.MayChange()) ShowReadOnly();
    // However many values are unreadable, one box says so.
    if (!view.errors.empty()) ReportError(view.errors.front().c_str());
}

// Every control whose value a policy holds is greyed and says why; under
// the policy against task changes, so are 添加, 修改, 删除 and the enable combo.
void SettingsWindow::ShowPolicies(const Policies& policies) {
    const struct {
        const char* setting;
        int id;
    } controls[] = {{kValCountdown, kEdit5}, {kValCloseAll, kCheckBox5}, {kValSoundPath, kEdit8},
                    {kValSoundPath, kButton3}, {kValGreeting, kCheckBox1}, {kValCtrlHotkeys, kCheckBox3}};
    const auto hold = [&](HWND control) {
        EnableWindow(control, FALSE);
        if (tips_.Text(control).empty())
            tips_.Add(control, kPolicyTooltip);
        else
            tips_.SetText(control, kPolicyTooltip);
    };
    for (const auto& c : controls)
        if (policies.Holds(c.setting)) hold(control(c.id));
    taskChangesHeld_ = policies.noTaskChanges;
    if (taskChangesHeld_) {
        for (int id : {kButton4, kButton5, kButton6}) hold(control(id));
        hold(combo_);
    }
}

void SettingsWindow::ShowReadOnly() {
    taskChangesHeld_ = true;
    for (int id : {kButton4, kButton5, kButton6, kCheckBox2, kEdit5, kCheckBox5, kEdit8, kButton3,
                   kCheckBox1, kCheckBox3, kButton1, kButton7})
        EnableWindow(control(id), FALSE);
    EnableWindow(combo_, FALSE);
    // Nothing to confirm: the shield button takes the place of 确定 and
    // 更多设置… beside 取消.
    ShowWindow(control(kButton1), SW_HIDE);
    ShowWindow(control(kButton7), SW_HIDE);
    HWND change = AddControl("BUTTON", "以管理员身份更改", WS_TABSTOP, kShift + 323, 320, 130, 24, kButton8,
                             font_.get());
    ShowWindow(change, SW_SHOW);
    // The shield exists from Vista on; XP's button starts the Run As dialog
    // without one.
    if (host_.SystemMajorVersion() >= 6) SendMessageW(change, BCM_SETSHIELD, 0, TRUE);
    tips_.Add(change, "更改任务和设置需要管理员权限");
}

void SettingsWindow::FillTasks(const SettingsView& view) {
    for (const ListedTask& t : view.tasks) AppendRow(t.number, t.record, t.record);
}

void SettingsWindow::ReadTasksAgain() {
    HideCombo();
    SendMessageA(list_, LVM_DELETEALLITEMS, 0, 0);
    listed_.clear();
    // Only the list: options the user changed and has not stored yet stay.
    SettingsView view = host_.store().LoadSettings(host_.settings(), ProgramPath());
    FillTasks(view);
    if (!view.errors.empty()) ReportError(view.errors.front().c_str());
}

void SettingsWindow::TasksChanged() {
    ShowMessageBox(kTasksChangedText, "提示", MB_OK | MB_ICONINFORMATION);
    ReadTasksAgain();
}

const TaskRecord* SettingsWindow::Listed(int number) const {
    auto it = listed_.find(number);
    return it == listed_.end() ? nullptr : &it->second;
}

void SettingsWindow::OnClose() {
    // Closing gives the tick back, but only through the gate: with monitoring
    // off it stays off.
    if (!closed_) {
        closed_ = true;
        host_.ReleaseTick();
    }
    // Destroyed, not hidden: a window kept for each use would add up, over
    // a few hundred edits, to the limit of window objects of the process.
    // The last thing this object does.
    OwnedForms::Release(this);
}

void SettingsWindow::Button1Click() {
    // The wait is read before anything is written: a text that is no number
    // stores nothing of this OK.
    if (!WindowTextFitsGbk(control(kEdit8))) {
        ShowMessageBox(kTextNotGbkText, "错误", MB_OK | MB_ICONERROR);
        return;
    }
    SettingsChoice choice;
    choice.countdownSeconds = WaitTextToSeconds(WindowText(control(kEdit5)));
    // The countdown's range is the one every writer checks (vantrelctl
    // settings, import): a length beyond it would never let a power task
    // happen. Nothing is stored.
    std::int32_t checked = 0;
    if (!CheckSettingNumber(*FindSetting(kValCountdown), std::to_string(choice.countdownSeconds), checked).empty()) {
        ShowMessageBox("倒计时长度应为 0 到 1440 分钟", "错误", MB_OK | MB_ICONERROR);
        return;
    }
    choice.greeting = IsDlgButtonChecked(hwnd(), kCheckBox1) == BST_CHECKED;
    choice.soundPath = WindowText(control(kEdit8));
    choice.closeAll = IsDlgButtonChecked(hwnd(), kCheckBox5) == BST_CHECKED;
    choice.ctrlHotkeys = IsDlgButtonChecked(hwnd(), kCheckBox3) == BST_CHECKED;
    choice.runAtLogon = IsDlgButtonChecked(hwnd(), kCheckBox2) == BST_CHECKED;
    // Start at logon stores the program's path: one that GBK cannot hold
    // would be stored with '?' in it and never start. Nothing is stored; the
    // user can untick the box or move the program.
    if (choice.runAtLogon && !ProgramPathFitsGbk()) {
        ShowMessageBox(kProgramPathNotGbkText, "错误", MB_OK | MB_ICONERROR);
        return;
    }
    // An option left as shown keeps what another writer stored since.
    host_.store().SaveSettings(host_.settings(), choice, ProgramPath(), &shown_);
    host_.SetCountdownLength(host_.settings().countdownLength);
    OnClose();
}

void SettingsWindow::Button2Click() { OnClose(); }

void SettingsWindow::Button3Click() {
    OpenFileRequest request;
    request.filter = "wav文件(*.wav)\0*.wav\0";
    request.title = "声音提示选择";
    request.folder = ProgramFolder();
    if (auto file = ChooseFileToOpen(hwnd(), request)) SetText(control(kEdit8), *file);
}

void SettingsWindow::Button4Click() {
    TaskEditor* editor = TaskEditor::Open(host_);
    if (editor) editor->SetPickersToNow(true);
}

void SettingsWindow::Button5Click() {
    std::string k = SelectedCaption();
    if (k.empty()) {
        ShowMessageBox("请选择要修改的任务", "错误", MB_OK | MB_ICONERROR);
        return;
    }
    int n = StrToInt(k);
    // The editor opens for the task the row shows; another program may have
    // moved a different one to its number since the list was read.
    const TaskRecord* seen = Listed(n);
    if (!seen || !host_.store().RecordIs(n, *seen)) {
        TasksChanged();
        return;
    }
    const TaskRecord record = *seen;
    TaskEditor* editor = TaskEditor::Open(host_);
    if (!editor) return;
    editor->SetPickersToNow(false);
    // An unreadable value loads as empty and is reported once; the editor
    // still opens in modify mode, so its OK rewrites this record and never
    // appends a copy.
    std::string firstError;
    for (char letter : {'A', 'B', 'C'}) host_.store().ReadValueOrEmpty(letter, n, &firstError);
    editor->LoadForModify(n, record);
    if (!firstError.empty()) ReportError(firstError.c_str());
}

void SettingsWindow::Button6Click() {
    int row = SelectedRow();
    if (row < 0) {
        ShowMessageBox("请选择要删除的任务", "错误", MB_OK | MB_ICONERROR);
        return;
    }
    int k = StrToInt(Cell(row, 0));
    // The record the row shows, not whatever another program moved to its
    // number since; a refused (or failed) delete leaves the row.
    const TaskRecord* seen = Listed(k);
    if (!seen || host_.store().Delete(host_.settings(), k, *seen) != ChangeResult::Done) {
        TasksChanged();
        return;
    }
    // The combo may lie over a row that moves or goes: it hides, so it never
    // switches a record other than the one it was placed over.
    HideCombo();
    SendMessageW(list_, LVM_DELETEITEM, row, 0);
    FitColumns();
    for (int r = 0; r < RowCount(); ++r) {
        auto number = TryStrToInt(Cell(r, 0));
        if (number && *number > k) SetCell(r, 0, std::to_string(CaptionAfterDelete(*number, k)));
    }
    std::map<int, TaskRecord> moved;
    for (const auto& entry : listed_)
        if (entry.first != k) moved[CaptionAfterDelete(entry.first, k)] = entry.second;
    listed_.swap(moved);
}

// The list's columns and the enable combo are placed here, not by the
// framework: they follow the form's new DPI here too.
void SettingsWindow::OnDpiChanged() {
    HideCombo();
    SendMessageW(combo_, WM_SETFONT, reinterpret_cast<WPARAM>(ScaledFont(font_.get())), FALSE);
    for (int i = 0; i < kColumnCount; ++i)
        SendMessageW(list_, LVM_SETCOLUMNWIDTH, i, MAKELPARAM(Scale(kColumns[i].width), 0));
    FitColumns();
}

void SettingsWindow::HideCombo() {
    ShowWindow(combo_, SW_HIDE);
    comboTask_.clear();
}

void SettingsWindow::ListView1Click() {
    int row = SelectedRow();
    if (row < 0) {
        HideCombo();
        return;
    }
    comboTask_ = Cell(row, 0);
    RECT cell = {};
    cell.top = kEnabledColumn;
    cell.left = LVIR_BOUNDS;
    SendMessageW(list_, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&cell));
    MoveWindow(combo_, cell.left, cell.top, cell.right - cell.left, Scale(120), TRUE);
    std::string enabled;
    if (auto n = TryStrToInt(comboTask_)) enabled = host_.store().ReadValue('D', *n);
    if (enabled == kEnabledText) SendMessageW(combo_, CB_SETCURSEL, 0, 0);
    if (enabled == kDisabledText) SendMessageW(combo_, CB_SETCURSEL, 1, 0);
    ShowWindow(combo_, SW_SHOW);
}

void SettingsWindow::ComboBox1Change() {
    if (taskChangesHeld_) return;  // the policy, or read-only
    auto n = TryStrToInt(comboTask_);
    if (!n) return;
    int choice = static_cast<int>(SendMessageW(combo_, CB_GETCURSEL, 0, 0));
    if (choice != 0 && choice != 1) return;
    const TaskRecord* seen = Listed(*n);
    if (!seen || host_.store().SetEnabled(*n, *seen, choice == 0) != ChangeResult::Done) {
        TasksChanged();
        return;
    }
    listed_[*n].enabled = choice == 0 ? kEnabledText : kDisabledText;
    int row = RowOfCaption(comboTask_);
    if (row >= 0) {
        SetCell(row, kEnabledColumn, listed_[*n].enabled);
        ShowNextRuns();
    }
}

void SettingsWindow::ShowNextRuns() {
    for (int r = 0; r < RowCount(); ++r) {
        const auto number = TryStrToInt(Cell(r, 0));
        const TaskRecord* record = number ? Listed(*number) : nullptr;
        const std::string text = record ? NextRunCell(*record) : "";
        if (Cell(r, kNextRunColumn) != text) SetCell(r, kNextRunColumn, text);
    }
}

std::string SettingsWindow::NextRunCell(const TaskRecord& stored) {
    const LocalTime now = LocalTimeNow();
    const MatchEnv env = CurrentMatchEnv(SystemShortDateFormat(), MsSinceSwitchedOnNow());
    return vantrel::NextRunCell(NextRunOf(stored.schedule, stored.enabled, now, env), now,
                                host_.MonitoringOn());
}

int SettingsWindow::RowCount() const {
    return static_cast<int>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0));
}

std::string SettingsWindow::Cell(int row, int column) const {
    std::vector<wchar_t> text(1024, L'\0');
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = text.data();
    item.cchTextMax = static_cast<int>(text.size());
    int n = static_cast<int>(SendMessageW(list_, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item)));
    return Narrow(text.data(), n > 0 ? n : 0);
}

void SettingsWindow::SetCell(int row, int column, const std::string& text) {
    WideText wide = Wide(text);
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = wide.data();
    SendMessageW(list_, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
}

int SettingsWindow::SelectedRow() const {
    return static_cast<int>(SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void SettingsWindow::SelectRow(int row) {
    LVITEMW item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = 0;
    SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
    if (row < 0) return;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

int SettingsWindow::RowOfCaption(const std::string& caption) const {
    for (int r = 0; r < RowCount(); ++r)
        if (Cell(r, 0) == caption) return r;
    return -1;
}

std::string SettingsWindow::SelectedCaption() {
    int row = SelectedRow();
    return row < 0 ? std::string() : Cell(row, 0);
}

void SettingsWindow::RemoveRow(int number) {
    const std::string caption = std::to_string(number);
    int row = RowOfCaption(caption);
    if (row < 0) return;
    if (caption == comboTask_) HideCombo();
    SendMessageW(list_, LVM_DELETEITEM, row, 0);
    listed_.erase(number);
    FitColumns();
}

// The six columns fill 560 of the list's 566 pixels. Once there are more
// rows than fit and a vertical scroll bar shows, "任务属性" gives up the
// bar's width, so that no horizontal scroll bar shows and the enable combo
// over the last column is never cut off; it gets its width back when the
// rows fit again.
void SettingsWindow::FitColumns() {
    int total = 0;
    for (const Column& c : kColumns) total += Scale(c.width);
    RECT client;
    GetClientRect(list_, &client);
    const int over = total - static_cast<int>(client.right);
    const int width = Scale(kColumns[kParameterColumn].width) - (over > 0 ? over : 0);
    if (SendMessageW(list_, LVM_GETCOLUMNWIDTH, kParameterColumn, 0) != width)
        SendMessageW(list_, LVM_SETCOLUMNWIDTH, kParameterColumn, MAKELPARAM(width, 0));
}

void SettingsWindow::AppendRow(int number, const TaskRecord& shown, const TaskRecord& stored) {
    std::string caption = std::to_string(number);
    WideText wide = Wide(caption);
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = RowCount();
    item.pszText = wide.data();
    int row = static_cast<int>(SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    FillRow(row, number, shown, stored);
    FitColumns();
}

void SettingsWindow::ReplaceRow(int number, const TaskRecord& shown, const TaskRecord& stored) {
    const int row = RowOfCaption(std::to_string(number));
    if (row < 0) {
        AppendRow(number, shown, stored);
        return;
    }
    if (std::to_string(number) == comboTask_) HideCombo();
    FillRow(row, number, shown, stored);
}

void SettingsWindow::FillRow(int row, int number, const TaskRecord& shown, const TaskRecord& stored) {
    listed_[number] = stored;
    SetCell(row, 1, shown.schedule);
    SetCell(row, 2, shown.action);
    SetCell(row, 3, shown.parameter);
    SetCell(row, kEnabledColumn, shown.enabled);
    // From the record as stored: the tick runs what is stored.
    SetCell(row, kNextRunColumn, NextRunCell(stored));
}

LRESULT SettingsWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    // Enter presses Cancel, the default button, unless another button has
    // the focus.
    if (msg == DM_GETDEFID) return MAKELRESULT(kButton2, DC_HASDEFID);
    if (msg == WM_COMMAND) {
        switch (LOWORD(wParam)) {
            case kButton1: Button1Click(); return 0;
            case kButton2:
            case IDCANCEL: Button2Click(); return 0;
            case kButton3: Button3Click(); return 0;
            case kButton4: Button4Click(); return 0;
            case kButton5: Button5Click(); return 0;
            case kButton6: Button6Click(); return 0;
            case kButton7: MoreSettingsWindow::Open(host_, hwnd()); return 0;
            case kButton8:
                // The elevated window writes through the store; this one
                // closes, and the running copy picks the change up.
                if (host_.ChangeAsAdministrator()) OnClose();
                return 0;
            case kComboBox1:
                if (HIWORD(wParam) == CBN_SELCHANGE) ComboBox1Change();
                return 0;
            default: break;
        }
    }
    if (msg == WM_TIMER && wParam == kNextRunTimer) {
        SetTimer(hwnd(), kNextRunTimer, ToNextMinute(), nullptr);
        ShowNextRuns();
        return 0;
    }
    if (msg == WM_NOTIFY) {
        auto* hdr = reinterpret_cast<NMHDR*>(lParam);
        if (hdr->hwndFrom == list_ && hdr->code == NM_CLICK) {
            ListView1Click();
            return 0;
        }
        if (hdr->hwndFrom == list_ && hdr->code == LVN_ITEMCHANGED) {
            auto* change = reinterpret_cast<NMLISTVIEW*>(lParam);
            bool lost = (change->uOldState & LVIS_SELECTED) && !(change->uNewState & LVIS_SELECTED);
            // The selection moved away from the combo's row (by keyboard too).
            if (lost && !comboTask_.empty() && change->iItem >= 0 &&
                Cell(change->iItem, 0) == comboTask_)
                HideCombo();
            return 0;
        }
    }
    return Form::HandleMessage(msg, wParam, lParam);
}

}  // namespace vantrel
