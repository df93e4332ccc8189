// The six window definitions load in the runtime, bind only operations that exist, and carry
// the settings the windows' behaviour depends on.
#include <gtest/gtest.h>

#include <set>

#include "forms/forms.h"
#include "runtime/headless/backend.h"
#include "runtime/tab_order.h"

namespace {

using runtime::ControlKind;
using runtime::Event;

const std::vector<const runtime::Form*>& all_forms() {
    static const std::vector<const runtime::Form*> forms_list = {
        &forms::main_window(),        &forms::customer_editor(), &forms::our_id_manager(),
        &forms::deal_date_dialog(),   &forms::chart_window(),    &forms::chat_launcher(),
        &forms::follow_up_dialog(),   &forms::cadence_dialog(),  &forms::restore_dialog(),
        &forms::import_dialog(),      &forms::left_out_rows(),   &forms::work_progress(),
        &forms::follow_up_log(),      &forms::give_up_dialog(),  &forms::recently_deleted(),
        &forms::shop_figures_window()};
    return forms_list;
}

TEST(Forms, EveryDefinitionLoadsAndBindsKnownOperationsOnly) {
    namespace ops = forms::ops;
    const std::set<std::string> known = {ops::kMainCreated,
                                         ops::kMainResized,
                                         ops::kTray,
                                         ops::kMoreMenuPopup,
                                         ops::kToolbar,
                                         ops::kSkinChanged,
                                         ops::kListRightClick,
                                         ops::kEditSelected,
                                         ops::kContactCustomer,
                                         ops::kViewProfile,
                                         ops::kOpenDealDialog,
                                         ops::kRevertToOpen,
                                         ops::kDeleteCustomer,
                                         ops::kOpenChart,
                                         ops::kOpenFigures,
                                         ops::kFiguresCreated,
                                         ops::kFiguresPeriodChanged,
                                         ops::kFiguresDatesChanged,
                                         ops::kSortFigures,
                                         ops::kExportFigures,
                                         ops::kExportFiguresPicture,
                                         ops::kJoinGroup,
                                         ops::kEditorCreated,
                                         ops::kEditorContact,
                                         ops::kEditorManage,
                                         ops::kSaveCustomer,
                                         ops::kShowDays,
                                         ops::kCleanUpId,
                                         ops::kLoadOurIds,
                                         ops::kSaveOurIds,
                                         ops::kRegisterDeal,
                                         ops::kChartCreated,
                                         ops::kToggle3d,
                                         ops::kChatTick,
                                         ops::kListRowsShown,
                                         ops::kFindChanged,
                                         ops::kSortColumn,
                                         ops::kTypeToFind,
                                         ops::kFollowUp,
                                         ops::kFind,
                                         ops::kDueOnly,
                                         ops::kCadenceSettings,
                                         ops::kImport,
                                         ops::kRestore,
                                         ops::kDatabaseSettings,
                                         ops::kMoveShop,
                                         ops::kLeftOutCreated,
                                         ops::kAddCustomer,
                                         ops::kRefreshStatuses,
                                         ops::kRowMenuKey,
                                         ops::kCloseFind,
                                         ops::kFindDone,
                                         ops::kMainClosing,
                                         ops::kBalloonClicked,
                                         ops::kFollowUpCreated,
                                         ops::kRecordFollowUp,
                                         ops::kCadenceCreated,
                                         ops::kSaveCadence,
                                         ops::kCloseDialog,
                                         ops::kRestoreCreated,
                                         ops::kRestoreChosen,
                                         ops::kImportCreated,
                                         ops::kImportRows,
                                         ops::kTimeChanged,
                                         ops::kProgressCreated,
                                         ops::kCancelWork,
                                         ops::kHeaderMenuPopup,
                                         ops::kToggleNextDateColumn,
                                         ops::kShowFollowUpLog,
                                         ops::kNextChoiceChanged,
                                         ops::kNextDateChanged,
                                         ops::kFollowUpLogCreated,
                                         ops::kGiveUp,
                                         ops::kResume,
                                         ops::kGivenUpView,
                                         ops::kGiveUpCreated,
                                         ops::kReasonChosen,
                                         ops::kSaveGiveUp,
                                         ops::kRecentlyDeleted,
                                         ops::kBinCreated,
                                         ops::kPutBack,
                                         ops::kPutBackAll,
                                         ops::kToggleTagsColumn,
                                         ops::kManageTags,
                                         ops::kSetTags,
                                         ops::kTagManagerCreated,
                                         ops::kAddTag,
                                         ops::kRenameTag,
                                         ops::kRemoveTag,
                                         ops::kTagUp,
                                         ops::kTagDown,
                                         ops::kPickTagRow,
                                         ops::kTagPickerCreated,
                                         ops::kTagFilterChanged,
                                         ops::kToggleTag,
                                         ops::kTagSelectionUp,
                                         ops::kTagSelectionDown,
                                         ops::kSaveTags,
                                         ops::kEditorTags};
    runtime::headless::Backend backend;
    std::set<std::string> names;
    for (const auto* form : all_forms()) {
        SCOPED_TRACE(form->name);
        EXPECT_TRUE(names.insert(form->name).second) << "two definitions share a name";
        EXPECT_EQ(form->left, 50);
        EXPECT_EQ(form->top, 50);
        std::set<std::string> controls;
        for (const auto& c : form->controls) {
            EXPECT_FALSE(c.name.empty());
            EXPECT_TRUE(controls.insert(c.name).second) << "two controls named " << c.name;
            for (const auto& b : c.events)
                EXPECT_TRUE(known.contains(b.handler)) << b.handler;
        }
        for (const auto& b : form->events)
            EXPECT_TRUE(known.contains(b.handler)) << b.handler;
        for (const auto& m : form->menus)
            EXPECT_TRUE(m.handler.empty() || known.contains(m.handler)) << m.handler;
        for (const auto& k : form->keys)
            EXPECT_TRUE(known.contains(k.handler)) << k.handler;
        // Loading runs nothing unbound; a dialog closes when the test does nothing with it.
        backend.windows().open_modal(*form, {});
    }
    EXPECT_EQ(backend.windows().opened().size(), all_forms().size());
}

TEST(Forms, MainWindowSettingsTheProgramReliesOn) {
    const auto& f = forms::main_window();
    EXPECT_EQ(f.title, "岚桥管家 V2.0  未成交客户跟踪管理中心");
    EXPECT_EQ(f.width, 750);
    EXPECT_EQ(f.height, 500);
    EXPECT_EQ(f.border, runtime::Border::resizable);
    const auto* skin = f.find(forms::main::kSkinSelector);
    ASSERT_NE(skin, nullptr);
    EXPECT_EQ(skin->kind, ControlKind::spin_edit);
    EXPECT_EQ(skin->text, "8");
    EXPECT_EQ(skin->minimum, 1);
    EXPECT_EQ(skin->maximum, 33);
    const auto* bar = f.find(forms::main::kToolbar);
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(bar->entries.size(), 11u);
    // Separators count in the entry index the toolbar reports.
    EXPECT_TRUE(bar->entries[2].separator());
    EXPECT_TRUE(bar->entries[5].separator());
    EXPECT_TRUE(bar->entries[9].separator());
    EXPECT_EQ(bar->entries[8].caption, "更多选项");
    EXPECT_TRUE(bar->entries[8].drop_down);
    EXPECT_EQ(bar->entries[10].image, 2);
    EXPECT_EQ(bar->image_count, 13);
    const auto* list = f.find(forms::main::kList);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->row_height, 28);
    ASSERT_EQ(list->columns.size(), 10u);
    EXPECT_EQ(list->columns[0].width, 0);  // the id column is hidden
    EXPECT_EQ(list->columns[8].width, 0);  // so are the next date and the tags, until asked for
    EXPECT_EQ(list->columns[9].width, 0);
    EXPECT_EQ(list->columns[0].align, runtime::Align::left);
    for (std::size_t i = 1; i < 9; ++i)
        EXPECT_EQ(list->columns[i].align, runtime::Align::centre);

    // Three pop-up menus (the rows', more options, the header's), never a menu bar; one item
    // of the row menu hidden at first.
    int popups = 0;
    for (const auto& m : f.menus) {
        if (m.level == 0) {
            ++popups;
            EXPECT_FALSE(m.visible);
        }
        EXPECT_TRUE(m.caption != "转为未成交客户" || !m.visible);
        EXPECT_TRUE(m.caption != "登记交易" || m.visible);
    }
    EXPECT_EQ(popups, 3);
}

TEST(Forms, DialogsAsTheirWindowsNeedThem) {
    const auto& editor = forms::customer_editor();
    EXPECT_EQ(editor.title, "");
    EXPECT_FALSE(editor.find(forms::editor::kContactButton)->visible);
    EXPECT_TRUE(editor.find(forms::editor::kNote)->multi_line);
    EXPECT_TRUE(editor.find(forms::editor::kSaveButton)->default_button);
    EXPECT_EQ(editor.find(forms::editor::kOurIds)->kind, ControlKind::drop_list);
    EXPECT_EQ(editor.find(forms::editor::kCustomerId)->events[0].event, Event::lost_focus);
    EXPECT_TRUE(forms::our_id_manager().find(forms::manager::kIdList)->multi_line);
    EXPECT_EQ(forms::deal_date_dialog().title, "交易日期选择");
    const auto& chat = forms::chat_launcher();
    EXPECT_FALSE(chat.visible);
    EXPECT_EQ(chat.find(forms::chat::kTimer)->period_ms, 3000);
    const auto* pie = forms::chart_window().find(forms::chart::kPie);
    ASSERT_EQ(pie->chart_items.size(), 2u);
    EXPECT_EQ(pie->chart_items[0].second, 0x00FF0000u);  // blue, as a COLORREF
    EXPECT_EQ(pie->chart_items[1].second, 0x000A0AC8u);  // red: 200, 10, 10

    // The launcher's timer runs from the moment it is loaded.
    runtime::headless::Backend backend;
    auto& w = static_cast<runtime::headless::HeadlessWindow&>(backend.windows().open(chat, {}));
    EXPECT_TRUE(w.timer_running(forms::chat::kTimer));
    EXPECT_FALSE(w.visible(""));
}

}  // namespace

namespace {

std::vector<std::string> names(const std::vector<const runtime::Control*>& controls) {
    std::vector<std::string> out;
    for (const auto* c : controls)
        out.push_back(c->name);
    return out;
}

// Tab walks each window as it is read: rows top to bottom, each left to right; a window opens
// with the keyboard in its first box (the main window: in the list).
TEST(Forms, TabWalksInReadingOrderFromTheFirstBox) {
    namespace ed = forms::editor;
    using runtime::tab_order;
    EXPECT_EQ(names(tab_order(forms::customer_editor())),
              (std::vector<std::string>{ed::kCustomerId, ed::kContactButton, ed::kOurIds,
                                        ed::kManageButton, ed::kFirstEnquiry, ed::kLastFollowUp,
                                        ed::kHasNextDate, ed::kNextDate, ed::kNote, ed::kTagsButton,
                                        ed::kSaveButton}));
    EXPECT_EQ(names(tab_order(forms::our_id_manager())),
              (std::vector<std::string>{forms::manager::kIdList, forms::manager::kSaveButton}));
    EXPECT_EQ(names(tab_order(forms::deal_date_dialog())),
              (std::vector<std::string>{forms::deal::kDate, forms::deal::kOkButton}));
    namespace gu = forms::give_up;
    EXPECT_EQ(names(tab_order(forms::give_up_dialog())),
              (std::vector<std::string>{gu::kChoice, gu::kText, gu::kOkButton, gu::kCancelButton}));

    runtime::headless::Backend backend;
    std::vector<std::string> clicked;
    runtime::Handlers h;
    for (const char* op : {forms::ops::kSaveCustomer, forms::ops::kEditorContact})
        h[op] = [&clicked, op](runtime::Window&, const runtime::EventArgs&) {
            clicked.emplace_back(op);
        };
    h[forms::ops::kCleanUpId] = [&clicked](runtime::Window& w, const runtime::EventArgs&) {
        clicked.emplace_back("left the ID box");
        w.set_visible(ed::kContactButton, true);
    };
    using runtime::headless::Key;
    backend.windows().on_open("CustomerEditor", [&](runtime::headless::HeadlessWindow& w) {
        EXPECT_EQ(w.focused(), ed::kCustomerId);
        w.press(Key::enter);  // the single-line box passes Enter to 保存
        w.press(Key::tab);    // the contact button was hidden as Tab was pressed
        EXPECT_EQ(w.focused(), ed::kOurIds);
        w.press(Key::shift_tab);  // now it shows, and Shift+Tab stops on it
        EXPECT_EQ(w.focused(), ed::kContactButton);
        w.press(Key::enter);  // a button with the keyboard is the one Enter presses
        w.focus(ed::kNote);
        w.set_text(ed::kNote, "line");
        w.press(Key::enter);  // a multi-line box takes Enter as a line break
        EXPECT_EQ(w.text(ed::kNote), "line\r\n");
        w.press(Key::escape);
        EXPECT_TRUE(w.closed());
    });
    backend.windows().open_modal(forms::customer_editor(), h);
    EXPECT_EQ(clicked, (std::vector<std::string>{forms::ops::kSaveCustomer, "left the ID box",
                                                 forms::ops::kEditorContact}));
    backend.windows().on_open("DealDateDialog", [](runtime::headless::HeadlessWindow& w) {
        EXPECT_EQ(w.focused(), forms::deal::kDate);
    });
    backend.windows().open_modal(forms::deal_date_dialog(), {});
    auto& main = static_cast<runtime::headless::HeadlessWindow&>(
        backend.windows().open(forms::main_window(), {}));
    EXPECT_EQ(main.focused(), forms::main::kList);
    main.press(Key::escape);  // the main window is no dialog: Esc does not close it
    EXPECT_FALSE(main.closed());
}

}  // namespace
