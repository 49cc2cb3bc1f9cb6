#include "ui/task_editor_win.h"

#include <commctrl.h>

#include <memory>

#include "scheduler/clock.h"
#include "text/codepage_win.h"
#include "store/task_record.h"
#include "ui/task_list_link_win.h"
#include "winui/accessible_win.h"
#include "winui/file_dialog_win.h"
#include "winui/on_demand_win.h"

namespace vantrel {

const char* const kRecordGoneText = "要修改的任务已被删除或更改";

namespace {

const char kTimeHint[] = "时：分";
const char kDigits[] = "0123456789";

// Radio button i + kRadioButton1 stands for this kind.
const ScheduleKind kRowKinds[] = {
    ScheduleKind::Idle,    ScheduleKind::Once,   ScheduleKind::Daily,   ScheduleKind::Weekly,
    ScheduleKind::Monthly, ScheduleKind::Yearly, ScheduleKind::Startup, ScheduleKind::Interval,
};

int RadioOf(ScheduleKind kind) {
    for (int i = 0; i < 8; ++i)
        if (kRowKinds[i] == kind) return TaskEditor::kRadioButton1 + i;
    return 0;
}

// Layout: one row per schedule kind, then the action row, the parameter row
// and the buttons.
constexpr int kRowTop = 12;
constexpr int kRowStep = 27;
constexpr int kFieldX = 76;
constexpr int kBoxH = 21;
constexpr int kLabelDy = 4;  // lines a 13-pixel label up with a 21-pixel box
constexpr int kCueLabelH = 16;  // the prompt's label under the parameter box

int RowY(int row) { return kRowTop + row * kRowStep; }

void AddItems(HWND combo, const std::vector<std::string>& items) {
    for (const std::string& item : items) AddComboText(combo, item);
}

std::vector<std::string> Numbers(int last) {
    std::vector<std::string> items;
    for (int i = 1; i <= last; ++i) items.push_back(std::to_string(i));
    return items;
}

}  // namespace

TaskEditor::TaskEditor(SettingsHost& host) : host_(host) {}

TaskEditor* TaskEditor::Open(SettingsHost& host) {
    std::unique_ptr<TaskEditor> editor(new TaskEditor(host));
    if (!editor->Create()) return nullptr;
    SetText(editor->control(kLabel9), UptimeText(host.SecondsSinceStart()));
    editor->Show();
    return static_cast<TaskEditor*>(OwnedForms::Adopt(std::move(editor)));
}

bool TaskEditor::Create() {
    EnsureCommonControls();
    // Windows XP shows no cue in a box where East Asian languages are
    // installed, and common controls before version 6 none at all, so there
    // the parameter's prompt stands in a grey label under the box, and the
    // window is that much taller.
    cueLabel_ = host_.SystemMajorVersion() < 6 || CommonControlsMajorVersion() < 6;
    const int formH = cueLabel_ ? 338 + kCueLabelH : 338;
    if (!CreateForm("TForm5", "任务", WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 422, formH))
        return false;
    font_ = FormFont();
    const HFONT f = font_.get();
    const DWORD edit = WS_TABSTOP | ES_AUTOHSCROLL;
    const DWORD dropDown = WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL;
    const DWORD label = SS_LEFTNOWORDWRAP | SS_NOPREFIX;
    const DWORD timePicker = WS_TABSTOP | DTS_TIMEFORMAT | DTS_UPDOWN;
    const int timeW = 70;

    auto radio = [&](int id, int row, const char* caption, DWORD extra) {
        AddControl("BUTTON", caption, BS_AUTORADIOBUTTON | extra, 16, RowY(row) + 1, 54, 20, id, f);
    };
    auto text = [&](int id, const char* caption, int x, int row, int w) {
        AddControl("STATIC", caption, label, x, RowY(row) + kLabelDy, w, 14, id, f);
    };
    auto box = [&](int id, int x, int row, int w) {
        return AddControl("EDIT", "", edit, x, RowY(row), w, kBoxH, id, f, WS_EX_CLIENTEDGE);
    };
    auto list = [&](int id, int x, int row, int w, const std::vector<std::string>& items) {
        HWND combo = AddControl("COMBOBOX", "", dropDown, x, RowY(row), w, 200, id, f);
        AddItems(combo, items);
        SendMessageW(combo, CB_SETCURSEL, 0, 0);
    };
    auto picker = [&](int id, DWORD style, int x, int row, int w) {
        HWND p = AddControl(DATETIMEPICK_CLASSA, "", style, x, RowY(row), w, kBoxH, id, f);
        if (style & DTS_UPDOWN) SendMessageW(p, DTM_SETFORMATW, 0, reinterpret_cast<LPARAM>(L"HH:mm"));
        return p;
    };

    // Creation order is the tab order: row by row, left to right. The first
    // radio button opens the group of eight; the action list closes it.
    radio(kRadioButton1, 0, "空闲", WS_GROUP | WS_TABSTOP);
    FilterKeys(box(kEdit1, kFieldX, 0, 56), kDigits);
    text(kLabel1, "分钟", kFieldX + 62, 0, 30);

    radio(kRadioButton2, 1, "一次", 0);
    picker(kDateTimePicker1, WS_TABSTOP | DTS_SHORTDATEFORMAT, kFieldX, 1, 110);
    picker(kDateTimePicker2, timePicker, kFieldX + 116, 1, timeW);

    radio(kRadioButton3, 2, "每天", 0);
    picker(kDateTimePicker3, timePicker, kFieldX, 2, timeW);

    radio(kRadioButton4, 3, "每周", 0);
    list(kComboBox1, kFieldX, 3, 50, Numbers(7));
    text(kLabel10, "日", kFieldX + 54, 3, 16);
    picker(kDateTimePicker4, timePicker, kFieldX + 74, 3, timeW);

    radio(kRadioButton5, 4, "每月", 0);
    list(kComboBox2, kFieldX, 4, 50, Numbers(31));
    text(kLabel2, "日", kFieldX + 54, 4, 16);
    picker(kDateTimePicker5, timePicker, kFieldX + 74, 4, timeW);

    radio(kRadioButton6, 5, "每年", 0);
    list(kComboBox3, kFieldX, 5, 50, Numbers(12));
    text(kLabel3, "月", kFieldX + 54, 5, 16);
    list(kComboBox4, kFieldX + 74, 5, 50, Numbers(31));
    text(kLabel4, "日", kFieldX + 128, 5, 16);
    picker(kDateTimePicker6, timePicker, kFieldX + 148, 5, timeW);

    radio(kRadioButton7, 6, "开机", 0);
    FilterKeys(box(kEdit3, kFieldX, 6, 50), kDigits);
    text(kLabel7, "时", kFieldX + 54, 6, 16);
    FilterKeys(box(kEdit4, kFieldX + 74, 6, 50), kDigits);
    text(kLabel8, "分", kFieldX + 128, 6, 16);
    text(kLabel9, "", kFieldX + 148, 6, 422 - (kFieldX + 148) - 8);

    radio(kRadioButton8, 7, "每隔", 0);
    FilterKeys(box(kEdit2, kFieldX, 7, 50), kDigits);
    text(kLabel11, "分", kFieldX + 54, 7, 16);
    picker(kDateTimePicker7, timePicker, kFieldX + 74, 7, timeW);
    text(kLabel12, "开始", kFieldX + 150, 7, 30);

    const int actionY = RowY(8) + 8;
    AddControl("STATIC", "任务类型(&K):", (label & ~SS_NOPREFIX) | WS_GROUP, 16, actionY + kLabelDy, 74, 14, kLabel5, f);
    HWND actions = AddControl("COMBOBOX", "", WS_TABSTOP | WS_GROUP | WS_VSCROLL | CBS_DROPDOWNLIST,
                              92, actionY, 132, 300, kComboBox5, f);
    for (const char* name : kActionNames) AddComboText(actions, name);
    HWND wake = AddControl(DATETIMEPICK_CLASSA, "", timePicker, 232, actionY, timeW, kBoxH,
                           kDateTimePicker8, f);
    SendMessageW(wake, DTM_SETFORMATW, 0, reinterpret_cast<LPARAM>(L"HH:mm"));
    ShowWindow(wake, SW_HIDE);

    const int parameterY = actionY + 31;
    AddControl("STATIC", "提醒语:", label, 16, parameterY + kLabelDy, 66, 14, kLabel6, f);
    AddControl("COMBOBOX", "", dropDown, 84, parameterY, 250, 200, kComboBox6, f);
    AddControl("BUTTON", "浏览", WS_TABSTOP, 342, parameterY - 1, 64, 23, kButton1, f);
    if (cueLabel_)
        AddControl("STATIC", "", label, 84, parameterY + kBoxH + 3, 250, 14, kLabel13, f);

    // Names for screen readers: by the rule of the nearest label before it,
    // a row's button would name none of its boxes and a unit the next one.
    static const struct {
        int id;
        const char* name;
    } kNames[] = {
        {kEdit1, "空闲分钟数"},       {kDateTimePicker1, "一次的日期"},  {kDateTimePicker2, "一次的时间"},
        {kDateTimePicker3, "每天的时间"}, {kComboBox1, "每周的第几日"}, {kDateTimePicker4, "每周的时间"},
        {kComboBox2, "每月的第几日"}, {kDateTimePicker5, "每月的时间"},  {kComboBox3, "每年的月份"},
        {kComboBox4, "每年的第几日"}, {kDateTimePicker6, "每年的时间"},  {kEdit3, "开机后小时数"},
        {kEdit4, "开机后分钟数"},     {kEdit2, "每隔分钟数"},         {kDateTimePicker7, "每隔的开始时间"},
        {kDateTimePicker8, "唤醒时间"},
    };
    for (const auto& n : kNames) NameInput(*this, control(n.id), n.name);

    const int buttonY = formH - 12 - 25;
    AddControl("BUTTON", "确定(&O)", WS_TABSTOP, 120, buttonY, 80, 25, kButton2, f);
    AddControl("BUTTON", "取消(&C)", WS_TABSTOP, 222, buttonY, 80, 25, kButton3, f);

    // The daily, weekly, monthly and yearly times start at midnight; the
    // others are set by the settings window.
    for (int id = kDateTimePicker3; id <= kDateTimePicker6; ++id) SetPickerTime(id, 0, 0);

    tips_.Create(hwnd());
    for (int id = kDateTimePicker2; id <= kDateTimePicker6; ++id) tips_.Add(control(id), kTimeHint);
    for (HWND tool : ParameterTools()) tips_.Add(tool, "");
    return true;
}

void TaskEditor::SetPickerTime(int id, int hour, int minute) {
    SYSTEMTIME t;
    GetLocalTime(&t);
    t.wHour = static_cast<WORD>(hour);
    t.wMinute = static_cast<WORD>(minute);
    t.wSecond = 0;
    t.wMilliseconds = 0;
    SendMessageW(control(id), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&t));
}

ClockTime TaskEditor::PickerTime(int id) const {
    SYSTEMTIME t = {};
    SendMessageW(control(id), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&t));
    return ClockTime{t.wHour, t.wMinute};
}

void TaskEditor::SetPickerDate(const Date& date) {
    SYSTEMTIME t = {};
    t.wYear = static_cast<WORD>(date.year);
    t.wMonth = static_cast<WORD>(date.month);
    t.wDay = static_cast<WORD>(date.day);
    SendMessageW(control(kDateTimePicker1), DTM_SETSYSTEMTIME, GDT_VALID,
                 reinterpret_cast<LPARAM>(&t));
}

Date TaskEditor::PickerDate() const {
    SYSTEMTIME t = {};
    SendMessageW(control(kDateTimePicker1), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&t));
    return Date{t.wYear, t.wMonth, t.wDay};
}

void TaskEditor::SetPickersToNow(bool includingWake) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    now.wMilliseconds = 0;
    const int ids[] = {kDateTimePicker1, kDateTimePicker2, kDateTimePicker7, kDateTimePicker8};
    for (int id : ids) {
        if (id == kDateTimePicker8 && !includingWake) continue;
        SendMessageW(control(id), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&now));
    }
}

ScheduleInputs TaskEditor::ReadInputs() const {
    ScheduleInputs in;
    for (int i = 0; i < 8; ++i) {
        if (SendMessageW(control(kRadioButton1 + i), BM_GETCHECK, 0, 0) == BST_CHECKED) {
            in.checked = kRowKinds[i];
            break;
        }
    }
    in.idleMinutes = WindowText(control(kEdit1));
    in.intervalMinutes = WindowText(control(kEdit2));
    in.startupHours = WindowText(control(kEdit3));
    in.startupMinutes = WindowText(control(kEdit4));
    in.weekday = WindowText(control(kComboBox1));
    in.monthDay = WindowText(control(kComboBox2));
    in.yearMonth = WindowText(control(kComboBox3));
    in.yearDay = WindowText(control(kComboBox4));
    in.onceDate = PickerDate();
    in.onceTime = PickerTime(kDateTimePicker2);
    in.dailyTime = PickerTime(kDateTimePicker3);
    in.weeklyTime = PickerTime(kDateTimePicker4);
    in.monthlyTime = PickerTime(kDateTimePicker5);
    in.yearlyTime = PickerTime(kDateTimePicker6);
    in.intervalStart = PickerTime(kDateTimePicker7);
    return in;
}

std::string TaskEditor::ParameterHint() const { return tips_.Text(control(kComboBox6)); }

std::vector<HWND> TaskEditor::ParameterTools() const {
    // The mouse rests on the parameter box's edit field, a child of its own,
    // so the hint is given to both.
    std::vector<HWND> tools = {control(kComboBox6)};
    if (HWND field = ParameterField()) tools.push_back(field);
    return tools;
}

void TaskEditor::SetParameterHint(const std::string& hint) {
    for (HWND tool : ParameterTools()) tips_.SetText(tool, hint);
    // The prompt says what to type; it is never the box's text, so that OK
    // stores nothing the user did not type.
    if (cueLabel_) {
        SetText(control(kLabel13), hint);
    } else if (HWND field = ParameterField()) {
        // To the box's edit field, as the combo box's own cue message would
        // pass it on; shown while the field is empty, even with the focus.
        const WideText wide = Wide(hint);
        SendMessageW(field, EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(wide.c_str()));
    }
}

std::string TaskEditor::ParameterCue() const {
    if (cueLabel_) return WindowText(control(kLabel13));
    wchar_t cue[256] = {0};
    HWND field = ParameterField();
    if (!field || !SendMessageW(field, EM_GETCUEBANNER, reinterpret_cast<WPARAM>(cue), 256))
        return std::string();
    return Narrow(cue);
}

HWND TaskEditor::ParameterField() const {
    COMBOBOXINFO info = {};
    info.cbSize = sizeof info;
    return GetComboBoxInfo(control(kComboBox6), &info) ? info.hwndItem : nullptr;
}

void TaskEditor::ShowWakePicker(bool wake) {
    ShowWindow(control(kDateTimePicker8), wake ? SW_SHOW : SW_HIDE);
    ShowWindow(control(kButton1), wake ? SW_HIDE : SW_SHOW);
}

void TaskEditor::ComboBox5Change() {
    const int index = static_cast<int>(SendMessageW(control(kComboBox5), CB_GETCURSEL, 0, 0));
    HWND parameter = control(kComboBox6);
    SendMessageW(parameter, CB_RESETCONTENT, 0, 0);
    SetText(parameter, "");
    SetParameterHint("");
    const ParameterRow row = RowFor(index, host_.SystemMajorVersion());
    SetText(control(kLabel6), row.label);
    AddItems(parameter, row.items);
    SetText(parameter, row.text);
    SetParameterHint(row.hint);
    // Leaving hibernate brings the browse button back: a hidden one would
    // leave the next action's file or program to be typed by hand.
    ShowWakePicker(row.wakePicker);
}

void TaskEditor::LoadForModify(int number, const TaskRecord& seen) {
    mode_ = EditorMode::Modify;
    number_ = number;
    seen_ = seen;
    const EditorLoad load = vantrel::LoadForModify(seen.schedule, seen.action, seen.parameter,
                                                   SystemShortDateFormat(), LocalTimeNow().year);
    // Selecting from here sends no change notice, so the row is set below and
    // the stored parameter is not replaced by the action's proposal.
    SendMessageW(control(kComboBox5), CB_SETCURSEL, static_cast<WPARAM>(load.actionIndex), 0);
    SetText(control(kLabel6), load.label);
    if (load.hint) SetParameterHint(*load.hint);
    HWND parameter = control(kComboBox6);
    AddItems(parameter, load.parameterItems);
    SetText(parameter, load.parameterText);
    if (load.wakeTime) SetPickerTime(kDateTimePicker8, load.wakeTime->hour, load.wakeTime->minute);
    // The browse button stays: only a change of action hides it.
    if (load.showWakePicker) ShowWindow(control(kDateTimePicker8), SW_SHOW);
    ApplySchedule(load.schedule);
}

void TaskEditor::ApplySchedule(const ScheduleLoad& load) {
    const int radio = RadioOf(load.checked);
    if (radio) CheckRadioButton(hwnd(), kRadioButton1, kRadioButton8, radio);
    const struct {
        int id;
        const std::optional<std::string>& text;
    } texts[] = {
        {kEdit1, load.idleMinutes},   {kEdit2, load.intervalMinutes},
        {kEdit3, load.startupHours},  {kEdit4, load.startupMinutes},
        {kComboBox1, load.weekday},   {kComboBox2, load.monthDay},
        {kComboBox3, load.yearMonth}, {kComboBox4, load.yearDay},
    };
    for (const auto& t : texts)
        if (t.text) SetText(control(t.id), *t.text);
    const struct {
        int id;
        const std::optional<ClockTime>& time;
    } times[] = {
        {kDateTimePicker2, load.onceTime},    {kDateTimePicker3, load.dailyTime},
        {kDateTimePicker4, load.weeklyTime},  {kDateTimePicker5, load.monthlyTime},
        {kDateTimePicker6, load.yearlyTime},  {kDateTimePicker7, load.intervalStart},
    };
    for (const auto& t : times)
        if (t.time) SetPickerTime(t.id, t.time->hour, t.time->minute);
    if (load.onceDate) SetPickerDate(*load.onceDate);
}

void TaskEditor::Button1Click() {
    if (auto file = ChooseFileToOpen(hwnd(), OpenFileRequest())) SetText(control(kComboBox6), *file);
}

void TaskEditor::Button2Click() {
    const ScheduleInputs inputs = NormalisedInputs(ReadInputs());
    if (inputs.checked == ScheduleKind::Startup) {
        SetText(control(kEdit3), inputs.startupHours);
        SetText(control(kEdit4), inputs.startupMinutes);
    }
    const std::optional<std::string> schedule = ComposeScheduleText(inputs, SystemShortDateFormat());
    if (!schedule) {
        ShowMessageBox(kChooseTimeText, kNoticeCaption, MB_OK | MB_ICONINFORMATION);
        return;
    }
    // A reminder text or a file name typed with a character GBK has no form
    // for would be stored with '?' in its place: nothing is stored.
    if (!WindowTextFitsGbk(control(kComboBox6))) {
        ShowMessageBox(kTextNotGbkText, "错误", MB_OK | MB_ICONERROR);
        return;
    }
    const std::string action = WindowText(control(kComboBox5));
    const std::string shown = WindowText(control(kComboBox6));
    const ClockTime wake = PickerTime(kDateTimePicker8);
    const std::string parameter =
        StoredParameter(ActionIndexOf(action), shown, wake.hour, wake.minute);
    // The same check as every other writer's: a task another machine's
    // import would refuse is not stored here either.
    const std::string problem =
        EditorTaskProblem(*schedule, action, parameter, SystemShortDateFormat(), LocalTimeNow().year);
    if (!problem.empty()) {
        ShowMessageBox(problem.c_str(), kNoticeCaption, MB_OK | MB_ICONINFORMATION);
        return;
    }

    TaskListLink* list = CurrentTaskList();
    int n = 0;
    std::string enabled;
    if (mode_ == EditorMode::Modify) {
        // Another editor, a delete or another program may have changed the
        // record meanwhile, or moved another task to its number: writing
        // over it would lose that task. The store compares all four texts.
        n = number_;
        if (host_.store().Rewrite(n, seen_, *schedule, action, parameter, &enabled) !=
            ChangeResult::Done) {
            ShowMessageBox(kRecordGoneText, "错误", MB_OK | MB_ICONERROR);
            if (list) list->ReadTasksAgain();
            return;
        }
        if (list)
            list->ReplaceRow(n, TaskRecord{*schedule, action, shown, enabled},
                             TaskRecord{*schedule, action, parameter, enabled});
    } else {
        n = host_.store().Append(host_.settings(), *schedule, action, parameter);
        enabled = kEnabledText;
        if (list)
            list->AppendRow(n, TaskRecord{*schedule, action, shown, enabled},
                            TaskRecord{*schedule, action, parameter, enabled});
    }
    OnClose();
}

void TaskEditor::Button3Click() { OnClose(); }

void TaskEditor::OnClose() { OwnedForms::Release(this); }

LRESULT TaskEditor::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CTLCOLORSTATIC && reinterpret_cast<HWND>(lParam) == control(kLabel13)) {
        // The prompt is grey, as a cue in the box would be.
        const LRESULT brush = Form::HandleMessage(msg, wParam, lParam);
        SetTextColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_GRAYTEXT));
        return brush;
    }
    if (msg == WM_COMMAND) {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        if (id == kComboBox5 && code == CBN_SELCHANGE) {
            ComboBox5Change();
            return 0;
        }
        if (code == BN_CLICKED) {
            switch (id) {
                case kButton1: Button1Click(); return 0;
                case kButton2: Button2Click(); return 0;
                case kButton3: Button3Click(); return 0;
                default: break;
            }
        }
    }
    return Form::HandleMessage(msg, wParam, lParam);
}

}  // namespace vantrel
