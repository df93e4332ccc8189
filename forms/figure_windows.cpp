// "店铺统计": the shop's numbers for a period, per ID of ours, with their chart.
#include "forms/controls.h"
#include "forms/forms.h"

namespace forms {

using namespace runtime;

using controls::button;
using controls::make;

const Form& shop_figures_window() {
    static const Form form = [] {
        Form f;
        f.name = "ShopFigures";
        f.title = "店铺统计";
        f.width = 900;
        f.height = 640;
        f.border = Border::fixed;
        f.controls.push_back(
            make(figures::kPeriodLabel, ControlKind::label, {16, 16, 48, 24}, "时间："));
        Control period =
            make(figures::kPeriod, ControlKind::drop_list, {64, 12, 112, 24}, "", true);
        period.events = {{Event::changed, ops::kFiguresPeriodChanged}};
        f.controls.push_back(period);
        Control from = make(figures::kFrom, ControlKind::date_picker, {192, 12, 136, 24}, "", true);
        from.events = {{Event::date_changed, ops::kFiguresDatesChanged}};
        f.controls.push_back(from);
        f.controls.push_back(make(figures::kToLabel, ControlKind::label, {336, 16, 24, 24}, "至"));
        Control to = make(figures::kTo, ControlKind::date_picker, {360, 12, 136, 24}, "", true);
        to.events = {{Event::date_changed, ops::kFiguresDatesChanged}};
        f.controls.push_back(to);
        f.controls.push_back(
            button(figures::kExportButton, {560, 8, 104, 30}, "导出表格…", ops::kExportFigures));
        f.controls.push_back(button(figures::kPictureButton, {672, 8, 104, 30}, "导出图片…",
                                    ops::kExportFiguresPicture));
        f.controls.push_back(
            button(figures::kCloseButton, {784, 8, 96, 30}, "关闭", ops::kCloseDialog));
        Control table = make(figures::kTable, ControlKind::list_view, {16, 48, 864, 200}, "", true);
        table.columns = {{"我们的旺旺", 150, Align::left},    {"新咨询", 70, Align::right},
                         {"成交", 70, Align::right},          {"转化率", 80, Align::right},
                         {"平均成交天数", 100, Align::right}, {"跟进次数", 80, Align::right},
                         {"放弃", 214, Align::left},          {"待跟进", 70, Align::right}};
        table.events = {{Event::column_clicked, ops::kSortFigures}};
        f.controls.push_back(table);
        f.controls.push_back(make(figures::kChart, ControlKind::figure_chart, {16, 260, 864, 340}));
        Control sheet = make(figures::kSheetDialog, ControlKind::save_dialog, {});
        sheet.visible = false;
        sheet.text = "导出店铺统计";
        sheet.filter = "Excel 工作簿|*.xlsx";
        sheet.default_extension = "*.xlsx";
        f.controls.push_back(sheet);
        Control picture = make(figures::kPictureDialog, ControlKind::save_dialog, {});
        picture.visible = false;
        picture.text = "导出统计图";
        picture.filter = "PNG 图片|*.png";
        picture.default_extension = "*.png";
        f.controls.push_back(picture);
        f.keys = {{"Esc", ops::kCloseDialog, ""},
                  {"Ctrl+S", ops::kExportFigures, ""},
                  {"Ctrl+P", ops::kExportFiguresPicture, ""}};
        f.events = {{Event::created, ops::kFiguresCreated}};
        return f;
    }();
    return form;
}

}  // namespace forms
