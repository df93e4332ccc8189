// The windows that bring customers in and put a copy of the database back.
#include "forms/controls.h"
#include "forms/forms.h"

namespace forms {

using namespace runtime;

using controls::button;
using controls::make;

const Form& restore_dialog() {
    static const Form form = [] {
        Form f;
        f.name = "RestoreDialog";
        f.title = "恢复备份";
        f.width = 560;
        f.height = 400;
        f.border = Border::fixed;
        f.controls.push_back(make(restore::kLabel, ControlKind::label, {16, 12, 520, 20},
                                  "选择一份备份，用它替换现在的数据："));
        Control list = make(restore::kList, ControlKind::list_view, {16, 36, 520, 264}, "", true);
        list.columns = {{"备份日期", 110, Align::left},
                        {"大小", 80, Align::right},
                        {"未成交", 70, Align::right},
                        {"已成交", 70, Align::right},
                        {"说明", 180, Align::left}};
        list.events = {{Event::double_clicked, ops::kRestoreChosen}};
        f.controls.push_back(list);
        Control ok = button(restore::kOkButton, {336, 316, 96, 32}, "恢复", ops::kRestoreChosen);
        ok.default_button = true;
        f.controls.push_back(ok);
        f.controls.push_back(
            button(restore::kCancelButton, {440, 316, 96, 32}, "取消", ops::kCloseDialog));
        f.events = {{Event::created, ops::kRestoreCreated}};
        return f;
    }();
    return form;
}

const Form& import_dialog() {
    static const Form form = [] {
        Form f;
        f.name = "ImportDialog";
        f.title = "导入客户";
        f.width = 880;
        f.height = 540;
        f.border = Border::fixed;
        f.controls.push_back(make(import::kFile, ControlKind::label, {16, 12, 840, 20}));
        Control preview =
            make(import::kPreview, ControlKind::list_view, {16, 36, 840, 250}, "", true);
        for (int i = 0; i < kImportColumns; ++i)
            preview.columns.push_back({"第" + std::to_string(i + 1) + "列", 104, Align::left});
        f.controls.push_back(preview);
        f.controls.push_back(make(import::kMeaningLabel, ControlKind::label, {16, 296, 840, 20},
                                  "每一列是什么（可以改）："));
        for (int i = 0; i < kImportColumns; ++i) {
            Control meaning = make(import_meaning(i), ControlKind::drop_list,
                                   {16 + i * 105, 320, 100, 24}, "", true);
            f.controls.push_back(meaning);
        }
        f.controls.push_back(
            make(import::kListLabel, ControlKind::label, {16, 364, 96, 24}, "导入到："));
        f.controls.push_back(
            make(import::kList, ControlKind::drop_list, {112, 360, 160, 24}, "", true));
        f.controls.push_back(make(import::kOursLabel, ControlKind::label, {296, 364, 224, 24},
                                  "没有“我们的旺旺”时用："));
        f.controls.push_back(
            make(import::kOurs, ControlKind::drop_list, {520, 360, 160, 24}, "", true));
        f.controls.push_back(make(import::kSummary, ControlKind::label, {16, 400, 840, 40}));
        Control ok = button(import::kOkButton, {656, 452, 96, 36}, "导入", ops::kImportRows);
        ok.default_button = true;
        f.controls.push_back(ok);
        f.controls.push_back(
            button(import::kCancelButton, {760, 452, 96, 36}, "取消", ops::kCloseDialog));
        f.events = {{Event::created, ops::kImportCreated}};
        return f;
    }();
    return form;
}

const Form& left_out_rows() {
    static const Form form = [] {
        Form f;
        f.name = "LeftOutRows";
        f.title = "没有导入的行";
        f.width = 640;
        f.height = 440;
        f.border = Border::fixed;
        f.controls.push_back(make(left_out::kLabel, ControlKind::label, {16, 12, 600, 20}));
        Control list = make(left_out::kList, ControlKind::list_view, {16, 36, 600, 304}, "", true);
        list.columns = {{"行", 64, Align::right}, {"原因", 520, Align::left}};
        f.controls.push_back(list);
        Control close =
            button(left_out::kCloseButton, {520, 356, 96, 32}, "关闭", ops::kCloseDialog);
        close.default_button = true;
        f.controls.push_back(close);
        f.events = {{Event::created, ops::kLeftOutCreated}};
        return f;
    }();
    return form;
}

const Form& work_progress() {
    static const Form form = [] {
        Form f;
        f.name = "WorkProgress";
        f.width = 440;
        f.height = 150;
        f.border = Border::fixed;
        // Shown only once the work takes longer than a moment: a quick file never flashes a
        // window.
        f.visible = false;
        f.controls.push_back(make(progress::kLabel, ControlKind::label, {16, 14, 400, 20}));
        f.controls.push_back(make(progress::kBar, ControlKind::progress_bar, {16, 40, 400, 20}));
        f.controls.push_back(
            button(progress::kCancelButton, {320, 74, 96, 32}, "取消", ops::kCancelWork));
        // Esc is 取消 too, and waits as the button does for the work to give up.
        f.keys = {{"Esc", ops::kCancelWork, ""}};
        f.events = {{Event::created, ops::kProgressCreated}};
        return f;
    }();
    return form;
}

std::string import_meaning(int column) {
    return "meaning_" + std::to_string(column);
}

}  // namespace forms
