#include "forms/forms.h"

namespace forms {

using namespace runtime;

namespace {

Control make(const char* name, ControlKind kind, Rect rect, std::string text = {},
             bool tab_stop = false) {
    Control c;
    c.name = name;
    c.kind = kind;
    c.rect = rect;
    c.text = std::move(text);
    c.tab_stop = tab_stop;
    return c;
}

Form dialog(const char* name, const char* title, int width, int height) {
    Form f;
    f.name = name;
    f.title = title;
    f.width = width;
    f.height = height;
    f.border = Border::fixed;
    f.visible = true;
    return f;
}

}  // namespace

const Form& our_id_manager() {
    static const Form form = [] {
        Form f = dialog("OurIdManager", "我们的旺旺号管理", 286, 452);
        Control save =
            make(manager::kSaveButton, ControlKind::button, {152, 376, 96, 40}, "保存", true);
        save.default_button = true;
        save.events = {{Event::clicked, ops::kSaveOurIds}};
        f.controls.push_back(save);
        f.controls.push_back(
            make(manager::kLabel, ControlKind::label, {8, 8, 184, 16}, "一行一个旺旺号："));
        Control ids = make(manager::kIdList, ControlKind::edit, {0, 31, 280, 336}, "", true);
        ids.multi_line = true;
        ids.vertical_scroll = true;
        f.controls.push_back(ids);
        f.events = {{Event::created, ops::kLoadOurIds}};
        return f;
    }();
    return form;
}

const Form& customer_editor() {
    static const Form form = [] {
        Form f = dialog("CustomerEditor", "", 566, 492);
        Control contact = make(editor::kContactButton, ControlKind::button, {344, 15, 200, 24},
                               "旺旺联系客户", true);
        contact.visible = false;
        contact.events = {{Event::clicked, ops::kEditorContact}};
        f.controls.push_back(contact);
        f.controls.push_back(make(editor::kDaysLabel, ControlKind::label, {360, 104, 176, 48}));
        Control manage = make(editor::kManageButton, ControlKind::button, {344, 53, 200, 24},
                              "管理我们的旺旺", true);
        manage.events = {{Event::clicked, ops::kEditorManage}};
        f.controls.push_back(manage);
        Control save =
            make(editor::kSaveButton, ControlKind::button, {384, 416, 112, 40}, "保存", true);
        save.default_button = true;
        save.events = {{Event::clicked, ops::kSaveCustomer}};
        f.controls.push_back(save);
        Control note = make(editor::kNote, ControlKind::edit, {24, 199, 520, 208}, "", true);
        note.multi_line = true;
        note.vertical_scroll = true;
        f.controls.push_back(note);
        Control last =
            make(editor::kLastFollowUp, ControlKind::date_picker, {112, 129, 224, 24}, "", true);
        last.events = {{Event::date_changed, ops::kShowDays}};
        f.controls.push_back(last);
        Control first =
            make(editor::kFirstEnquiry, ControlKind::date_picker, {112, 91, 224, 24}, "", true);
        first.events = {{Event::date_changed, ops::kShowDays}};
        f.controls.push_back(first);
        f.controls.push_back(
            make(editor::kOurIds, ControlKind::drop_list, {112, 55, 224, 20}, "", true));
        Control id = make(editor::kCustomerId, ControlKind::edit, {112, 15, 224, 24}, "", true);
        id.events = {{Event::lost_focus, ops::kCleanUpId}};
        f.controls.push_back(id);
        // The next follow-up, beside the fields every copy of the program has.
        f.controls.push_back(make(editor::kHasNextDate, ControlKind::check_box, {344, 163, 88, 24},
                                  "下次跟进：", true));
        Control next =
            make(editor::kNextDate, ControlKind::date_picker, {432, 163, 112, 24}, "", true);
        next.events = {{Event::date_changed, ops::kNextDateChanged}};
        f.controls.push_back(next);
        const char* captions[] = {"备注信息：", "最后跟踪时间：", "首次咨询时间：", "我们的旺旺：",
                                  "客户旺旺号："};
        const int tops[] = {167, 129, 91, 53, 15};
        for (int i = 0; i < 5; ++i) {
            Control l = make("", ControlKind::label, {24, tops[i], 96, 24}, captions[i]);
            l.name = "label_" + std::to_string(i);
            f.controls.push_back(l);
        }
        // The tags of a customer already stored, set at once as from the row menu. Last, so that
        // the numbers of the controls every copy of the editor has stay as they were.
        Control tags =
            make(editor::kTagsButton, ControlKind::button, {24, 416, 112, 40}, "标签…", true);
        tags.visible = false;
        tags.events = {{Event::clicked, ops::kEditorTags}};
        f.controls.push_back(tags);
        f.events = {{Event::created, ops::kEditorCreated}};
        return f;
    }();
    return form;
}

const Form& chat_launcher() {
    static const Form form = [] {
        Form f = dialog("ChatLauncher", "", 380, 250);
        f.visible = false;
        Control timer = make(chat::kTimer, ControlKind::timer, {});
        timer.visible = false;
        timer.period_ms = 3000;
        timer.events = {{Event::tick, ops::kChatTick}};
        f.controls.push_back(timer);
        f.controls.push_back(make(chat::kHtmlView, ControlKind::html_view, {96, 48, 136, 112}));
        return f;
    }();
    return form;
}

const Form& deal_date_dialog() {
    static const Form form = [] {
        Form f = dialog("DealDateDialog", "交易日期选择", 431, 100);
        Control ok = make(deal::kOkButton, ControlKind::button, {336, 20, 72, 32}, "确定", true);
        ok.default_button = true;
        ok.events = {{Event::clicked, ops::kRegisterDeal}};
        f.controls.push_back(ok);
        f.controls.push_back(
            make(deal::kDate, ControlKind::date_picker, {16, 24, 304, 24}, "", true));
        return f;
    }();
    return form;
}

const Form& chart_window() {
    static const Form form = [] {
        Form f = dialog("ChartWindow", "图表分析", 554, 441);
        Control three =
            make(chart::kThreeD, ControlKind::check_box, {392, 360, 136, 24}, "三维图", true);
        three.events = {{Event::clicked, ops::kToggle3d}};
        f.controls.push_back(three);
        // Beside the pie: the shop's numbers in full, in a window of their own.
        Control figures =
            make(chart::kFiguresButton, ControlKind::button, {16, 360, 112, 28}, "店铺统计…", true);
        figures.events = {{Event::clicked, ops::kOpenFigures}};
        f.controls.push_back(figures);
        Control pie = make(chart::kPie, ControlKind::pie_chart, {0, 0, 544, 408});
        pie.chart_items = {{"未成交数量", 0x00FF0000u}, {"已成交数量", 0x000A0AC8u}};
        pie.chart_values = {10, 0};
        pie.unit = "个";
        f.controls.push_back(pie);
        f.events = {{Event::created, ops::kChartCreated}};
        return f;
    }();
    return form;
}

const Form& follow_up_dialog() {
    static const Form form = [] {
        Form f = dialog("FollowUpDialog", "记录跟进", 440, 180);
        f.controls.push_back(
            make(follow_up::kLabel, ControlKind::label, {16, 20, 88, 24}, "跟进内容："));
        f.controls.push_back(
            make(follow_up::kText, ControlKind::edit, {104, 16, 304, 24}, "", true));
        // When to follow up next: a choice of the usual spans, or any day in the picker.
        f.controls.push_back(
            make(follow_up::kNextLabel, ControlKind::label, {16, 60, 88, 24}, "下次跟进："));
        Control choice =
            make(follow_up::kNextChoice, ControlKind::drop_list, {104, 56, 120, 24}, "", true);
        choice.events = {{Event::changed, ops::kNextChoiceChanged}};
        f.controls.push_back(choice);
        Control next =
            make(follow_up::kNextDate, ControlKind::date_picker, {232, 56, 176, 24}, "", true);
        next.events = {{Event::date_changed, ops::kNextDateChanged}};
        f.controls.push_back(next);
        Control ok =
            make(follow_up::kOkButton, ControlKind::button, {232, 100, 80, 32}, "确定", true);
        ok.default_button = true;
        ok.events = {{Event::clicked, ops::kRecordFollowUp}};
        f.controls.push_back(ok);
        Control cancel =
            make(follow_up::kCancelButton, ControlKind::button, {328, 100, 80, 32}, "取消", true);
        cancel.events = {{Event::clicked, ops::kCloseDialog}};
        f.controls.push_back(cancel);
        f.events = {{Event::created, ops::kFollowUpCreated}};
        return f;
    }();
    return form;
}

const Form& follow_up_log() {
    static const Form form = [] {
        Form f = dialog("FollowUpLog", "跟进记录", 560, 400);
        f.controls.push_back(make(log_window::kLabel, ControlKind::label, {16, 12, 520, 20}));
        Control list =
            make(log_window::kList, ControlKind::list_view, {16, 36, 520, 272}, "", true);
        list.columns = {{"时间", 120, Align::left},
                        {"我们旺旺名", 110, Align::left},
                        {"跟进内容", 270, Align::left}};
        f.controls.push_back(list);
        Control close =
            make(log_window::kCloseButton, ControlKind::button, {440, 320, 96, 32}, "关闭", true);
        close.default_button = true;
        close.events = {{Event::clicked, ops::kCloseDialog}};
        f.controls.push_back(close);
        f.events = {{Event::created, ops::kFollowUpLogCreated}};
        return f;
    }();
    return form;
}

const Form& recently_deleted() {
    static const Form form = [] {
        Form f = dialog("RecentlyDeleted", "最近删除", 660, 420);
        f.controls.push_back(make(bin_window::kLabel, ControlKind::label, {16, 12, 620, 20}));
        Control list =
            make(bin_window::kList, ControlKind::list_view, {16, 36, 620, 292}, "", true);
        list.columns = {{"删除时间", 120, Align::left},   {"删除的电脑", 90, Align::left},
                        {"客户旺旺名", 120, Align::left}, {"我们旺旺名", 100, Align::left},
                        {"状态", 60, Align::left},        {"备注", 110, Align::left}};
        f.controls.push_back(list);
        Control one =
            make(bin_window::kPutBackButton, ControlKind::button, {304, 340, 96, 32}, "恢复", true);
        one.default_button = true;
        one.events = {{Event::clicked, ops::kPutBack}};
        f.controls.push_back(one);
        Control all = make(bin_window::kPutBackAllButton, ControlKind::button, {416, 340, 104, 32},
                           "全部恢复", true);
        all.events = {{Event::clicked, ops::kPutBackAll}};
        f.controls.push_back(all);
        Control close =
            make(bin_window::kCloseButton, ControlKind::button, {536, 340, 96, 32}, "关闭", true);
        close.events = {{Event::clicked, ops::kCloseDialog}};
        f.controls.push_back(close);
        f.events = {{Event::created, ops::kBinCreated}};
        return f;
    }();
    return form;
}

const Form& tag_manager() {
    static const Form form = [] {
        Form f = dialog("TagManager", "标签管理", 360, 420);
        Control list =
            make(tags_window::kList, ControlKind::list_view, {16, 16, 200, 296}, "", true);
        list.columns = {{"标签", 176, Align::left}};
        list.events = {{Event::double_clicked, ops::kPickTagRow}};
        f.controls.push_back(list);
        f.controls.push_back(
            make(tags_window::kNameLabel, ControlKind::label, {16, 326, 200, 20}, "名称："));
        f.controls.push_back(
            make(tags_window::kName, ControlKind::edit, {16, 346, 200, 24}, "", true));
        const struct {
            const char* name;
            const char* text;
            const char* op;
            int top;
        } buttons[] = {{tags_window::kAddButton, "添加", ops::kAddTag, 16},
                       {tags_window::kRenameButton, "改名", ops::kRenameTag, 56},
                       {tags_window::kRemoveButton, "删除", ops::kRemoveTag, 96},
                       {tags_window::kUpButton, "上移", ops::kTagUp, 136},
                       {tags_window::kDownButton, "下移", ops::kTagDown, 176},
                       {tags_window::kCloseButton, "关闭", ops::kCloseDialog, 342}};
        for (const auto& b : buttons) {
            Control c = make(b.name, ControlKind::button, {232, b.top, 96, 32}, b.text, true);
            c.default_button = b.op == ops::kAddTag;  // Enter in the name box adds it
            c.events = {{Event::clicked, b.op}};
            f.controls.push_back(c);
        }
        f.events = {{Event::created, ops::kTagManagerCreated}};
        return f;
    }();
    return form;
}

const Form& tag_picker() {
    static const Form form = [] {
        Form f = dialog("TagPicker", "设置标签", 320, 420);
        f.focus = pick_window::kFilter;
        f.controls.push_back(make(pick_window::kLabel, ControlKind::label, {16, 12, 288, 20}));
        Control filter = make(pick_window::kFilter, ControlKind::edit, {16, 36, 288, 24}, "", true);
        filter.events = {{Event::changed, ops::kTagFilterChanged}};
        f.controls.push_back(filter);
        Control list =
            make(pick_window::kList, ControlKind::list_view, {16, 68, 288, 260}, "", true);
        list.columns = {{"", 32, Align::centre}, {"标签", 232, Align::left}};
        list.events = {{Event::double_clicked, ops::kToggleTag}};
        f.controls.push_back(list);
        Control ok =
            make(pick_window::kOkButton, ControlKind::button, {112, 340, 88, 32}, "确定", true);
        ok.default_button = true;
        ok.events = {{Event::clicked, ops::kSaveTags}};
        f.controls.push_back(ok);
        Control cancel =
            make(pick_window::kCancelButton, ControlKind::button, {216, 340, 88, 32}, "取消", true);
        cancel.events = {{Event::clicked, ops::kCloseDialog}};
        f.controls.push_back(cancel);
        // Tag names hold no blank: Space ticks the tag in hand, in the list or the find box.
        f.keys = {{"Space", ops::kToggleTag, pick_window::kFilter},
                  {"Space", ops::kToggleTag, pick_window::kList},
                  {"Up", ops::kTagSelectionUp, pick_window::kFilter},
                  {"Down", ops::kTagSelectionDown, pick_window::kFilter}};
        f.events = {{Event::created, ops::kTagPickerCreated}};
        return f;
    }();
    return form;
}

const Form& give_up_dialog() {
    static const Form form = [] {
        Form f = dialog("GiveUpDialog", "放弃跟进", 336, 180);
        f.controls.push_back(
            make(give_up::kLabel, ControlKind::label, {16, 20, 88, 24}, "放弃原因："));
        Control choice =
            make(give_up::kChoice, ControlKind::drop_list, {104, 16, 200, 24}, "", true);
        choice.events = {{Event::changed, ops::kReasonChosen}};
        f.controls.push_back(choice);
        // A reason of the shop's own, when none of the list fits.
        f.controls.push_back(
            make(give_up::kTextLabel, ControlKind::label, {16, 60, 88, 24}, "或者填写："));
        f.controls.push_back(make(give_up::kText, ControlKind::edit, {104, 56, 200, 24}, "", true));
        Control ok =
            make(give_up::kOkButton, ControlKind::button, {128, 100, 80, 32}, "确定", true);
        ok.default_button = true;
        ok.events = {{Event::clicked, ops::kSaveGiveUp}};
        f.controls.push_back(ok);
        Control cancel =
            make(give_up::kCancelButton, ControlKind::button, {224, 100, 80, 32}, "取消", true);
        cancel.events = {{Event::clicked, ops::kCloseDialog}};
        f.controls.push_back(cancel);
        f.events = {{Event::created, ops::kGiveUpCreated}};
        return f;
    }();
    return form;
}

const Form& cadence_dialog() {
    static const Form form = [] {
        Form f = dialog("CadenceDialog", "跟进设置", 360, 140);
        f.controls.push_back(
            make(cadence::kLabel, ControlKind::label, {16, 20, 176, 24}, "每隔几天跟进一次客户："));
        Control days = make(cadence::kDays, ControlKind::spin_edit, {192, 16, 72, 24}, "3", true);
        days.number_only = true;
        days.centred = true;
        days.minimum = 1;
        days.maximum = 365;
        f.controls.push_back(days);
        f.controls.push_back(make(cadence::kUnit, ControlKind::label, {272, 20, 40, 24}, "天"));
        Control ok = make(cadence::kOkButton, ControlKind::button, {152, 56, 80, 32}, "确定", true);
        ok.default_button = true;
        ok.events = {{Event::clicked, ops::kSaveCadence}};
        f.controls.push_back(ok);
        Control cancel =
            make(cadence::kCancelButton, ControlKind::button, {248, 56, 80, 32}, "取消", true);
        cancel.events = {{Event::clicked, ops::kCloseDialog}};
        f.controls.push_back(cancel);
        f.events = {{Event::created, ops::kCadenceCreated}};
        return f;
    }();
    return form;
}

}  // namespace forms
