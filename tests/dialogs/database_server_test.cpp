// Choosing a database server: the choice kept with the password protected, the connection
// string that reaches a server whatever its details hold, what 测试连接 says for each kind of
// trouble, the dialog storing the choice, and a start-up with the server away.
#include <gtest/gtest.h>

#include "app/change_watch.h"
#include "app/store_choice.h"
#include "dialogs/database_settings.h"
#include "forms/forms.h"
#include "runtime/tab_order.h"
#include "store/backup.h"
#include "store/customer_actions.h"
#include "store/provision.h"
#include "store/sources.h"
#include "tests/dialogs/dialog_fixture.h"
#include "tests/store/support/pg_test_server.h"
#include "tests/store/support/tcp_proxy.h"

namespace dialog_tests {
namespace {

using testing_support::PgServer;
namespace db = forms::database;

TEST(StoreChoice, KeptWithThePasswordProtectedAndNeverAsText) {
    runtime::headless::Backend backend;
    auto& secrets = runtime::platform().secrets();
    const dialogs::StoreChoice choice{true, {"192.168.1.20", 5433, "lanqiao", "店员", "pa;s}s"}};
    services::SettingsLines lines("skin=3\r\nnewer.key=kept\r\n");
    ASSERT_TRUE(dialogs::write_store_choice(lines, choice, secrets));
    const std::string text = lines.text();
    EXPECT_EQ(text.find("pa;s}s"), std::string::npos);
    EXPECT_NE(text.find("newer.key=kept\r\n"), std::string::npos);
    EXPECT_NE(text.find("store=server\r\nserver.host=192.168.1.20\r\nserver.port=5433\r\n"),
              std::string::npos);
    auto read = dialogs::read_store_choice(services::SettingsLines(text), secrets);
    EXPECT_EQ(read.choice, choice);
    EXPECT_FALSE(read.password_lost);

    // A password another user kept, or one changed by hand, is lost, not misread.
    runtime::headless::HeadlessSecrets stranger("someone else");
    read = dialogs::read_store_choice(services::SettingsLines(text), stranger);
    EXPECT_TRUE(read.password_lost);
    EXPECT_EQ(read.choice.server.password, "");
    services::SettingsLines spoilt(text);
    spoilt.set(dialogs::kServerPasswordKey, "70617373");  // "pass" as plain hex
    EXPECT_TRUE(dialogs::read_store_choice(spoilt, secrets).password_lost);
    // Details that cannot be used are no choice of a server.
    spoilt.set(dialogs::kServerHostKey, "");
    EXPECT_FALSE(dialogs::read_store_choice(spoilt, secrets).choice.on_server);
    // When the system will not protect it, nothing is written.
    backend.secrets().set_refusing(true);
    services::SettingsLines untouched("skin=3\r\n");
    EXPECT_FALSE(dialogs::write_store_choice(untouched, choice, secrets));
    EXPECT_EQ(untouched.text(), "skin=3\r\n");
}

// Values that would end or change an attribute go in braces; a real driver reads them back.
TEST(StoreChoice, ConnectionStringsReachTheServerWhateverTheDetailsHold) {
    const struct {
        const char* value;
        const char* written;
    } values[] = {{"plain", "plain"}, {"a;b", "{a;b}"}, {"a}b{", "{a}}b{}"},
                  {" x", "{ x}"},     {"k=v", "{k=v}"}, {"", ""}};
    for (const auto& v : values)
        EXPECT_EQ(dialogs::odbc_value(v.value), v.written) << v.value;
    EXPECT_EQ(dialogs::connection_string({"h", 5433, "d b", "u", "p;}"}),
              "Driver={PostgreSQL Unicode};Server=h;Port=5433;Database=d b;Uid=u;Pwd={p;}}};");

    PgServer& pg = PgServer::shared();
    const std::string database = pg.fresh_database("braces");
    const std::string password = "x;Pwd=y}{=!";
    pg.admin_sql("postgres",
                 "DO $$ BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = "
                 "'lq_braces') THEN CREATE ROLE lq_braces LOGIN; END IF; END $$;"
                 "ALTER ROLE lq_braces PASSWORD 'x;Pwd=y}{=!';"
                 "GRANT ALL ON DATABASE " +
                     database +
                     " TO lq_braces;"
                     "ALTER DATABASE " +
                     database + " OWNER TO lq_braces;");
    const dialogs::ServerDetails details{"127.0.0.1", pg.port(), database, "lq_braces", password};
    bool ok = false;
    EXPECT_EQ(dialogs::connection_test_text(dialogs::server_location(details), &ok),
              "连接成功。服务器上有未成交客户 0 位，已成交客户 0 位。");
    EXPECT_TRUE(ok);
}

TEST(StoreChoice, TheTestSaysWhatIsWrongInPlainWords) {
    PgServer& pg = PgServer::shared();
    const std::string database = pg.fresh_database("test");
    store::StoreConnection c;
    store::RowSet rs;
    const store::StoreLocation good{"", "", pg.connection_string(database)};
    ASSERT_EQ(store::save_new_customer(c, rs, good, {"a", "b", 45000, 45000, ""}),
              store::SaveOutcome::saved);
    ASSERT_EQ(store::save_new_customer(c, rs, good, {"c", "b", 45000, 45000, ""}),
              store::SaveOutcome::saved);
    ASSERT_TRUE(store::register_deal(c, rs, good, 2, 45001));
    const std::string foreign = pg.fresh_database("foreign");
    pg.admin_sql(foreign, "CREATE TABLE orders (id integer PRIMARY KEY); GRANT ALL ON orders TO " +
                              pg.shop_user());
    std::string no_driver = pg.connection_string(database);
    no_driver.replace(no_driver.find("PostgreSQL Unicode"), 18, "No Such Driver 9");
    const struct {
        std::string server;
        std::string said;
        bool ok;
    } cases[] = {
        {pg.connection_string(database), "连接成功。服务器上有未成交客户 1 位，已成交客户 1 位。",
         true},
        {pg.connection_string(database, pg.shop_user(), pg.shop_password(), 1),
         "连接失败：连不上数据库服务器：服务器没有开机、地址或端口不对，或者网络断了。", false},
        {pg.connection_string(database, pg.shop_user(), "wrong", pg.port()),
         "连接失败：数据库服务器不接受这个用户名或密码。", false},
        {pg.connection_string("no_such_database"), "连接失败：数据库服务器上没有这个名字的数据库。",
         false},
        {no_driver,
         "连接失败：这台电脑没有装 PostgreSQL 的 ODBC 驱动（psqlODBC，“PostgreSQL Unicode”）。",
         false},
        {pg.connection_string(foreign),
         "连接失败：这个数据库里是别的程序的表，或者本程序的表被改过。程序不会改动它。", false},
    };
    for (const auto& k : cases) {
        bool ok = !k.ok;
        EXPECT_EQ(dialogs::connection_test_text({"", "", k.server}, &ok), k.said) << k.server;
        EXPECT_EQ(ok, k.ok) << k.server;
    }
    EXPECT_EQ(pg.admin_sql(foreign,
                           "SELECT count(*) FROM information_schema.tables WHERE "
                           "table_schema = 'public'"),
              "1\n");
}

// The dialog as the keyboard meets it: the choice first, Tab down the boxes, Enter is 确定,
// Esc leaves with nothing stored; every operation its definition binds is there.
TEST(DatabaseSettingsWindow, KeyboardAndBindings) {
    std::vector<std::string> order;
    for (const auto* control : runtime::tab_order(forms::database_settings()))
        order.push_back(control->name);
    EXPECT_EQ(order, (std::vector<std::string>{db::kChoice, db::kHost, db::kPort, db::kDatabase,
                                               db::kUser, db::kPassword, db::kTestButton,
                                               db::kOkButton, db::kCancelButton}));
    int saved = 0, switched = 0;
    dialogs::DatabaseSettingsContext context;
    context.chosen = [&switched](const dialogs::StoreChoice&) { ++switched; };
    context.save = [&saved](const dialogs::StoreChoice&) {
        ++saved;
        return std::string();
    };
    const runtime::Handlers handlers = dialogs::database_settings_handlers(context);
    const auto& form = forms::database_settings();
    for (const auto& b : form.events)
        EXPECT_TRUE(handlers.contains(b.handler)) << b.handler;
    for (const auto& c : form.controls)
        for (const auto& b : c.events)
            EXPECT_TRUE(handlers.contains(b.handler)) << b.handler;
    runtime::headless::Backend backend;
    backend.windows().on_open(form.name, [](HeadlessWindow& w) {
        EXPECT_EQ(w.focused(), db::kChoice);
        EXPECT_EQ(w.text(db::kNote), "");
        w.press(runtime::headless::Key::escape);
    });
    backend.windows().open_modal(form, handlers);
    backend.windows().on_open(form.name, [](HeadlessWindow& w) {
        w.press(runtime::headless::Key::enter);  // the file, as chosen
    });
    backend.windows().open_modal(form, handlers);
    EXPECT_EQ(saved, 1);
    EXPECT_EQ(switched, 1);
    // A server away: saved when the user insists, but not switched to for this run.
    backend.windows().on_open(form.name, [](HeadlessWindow& w) {
        w.select_choice(db::kChoice, 1);
        w.set_text(db::kHost, "127.0.0.1");
        w.set_text(db::kPort, "1");
        w.set_text(db::kDatabase, "shop");
        w.set_text(db::kUser, "staff");
        w.press(runtime::headless::Key::enter);
    });
    backend.message_boxes().push_answer(runtime::kAnswerNo);
    backend.windows().open_modal(form, handlers);
    backend.message_boxes().push_answer(runtime::kAnswerYes);
    backend.windows().open_modal(form, handlers);
    EXPECT_EQ(saved, 2);
    EXPECT_EQ(switched, 1);
    ASSERT_EQ(backend.message_boxes().shown().size(), 2u);
    EXPECT_TRUE(
        backend.message_boxes().shown()[0].text.starts_with("连接失败：连不上数据库服务器"));
}

// Writes a choice of a server straight into the local file, as the dialog would.
void choose_server(const std::string& db_path, const dialogs::ServerDetails& server) {
    store::StoreConnection c;
    store::RowSet rs;
    ASSERT_TRUE(
        store::update_setting(c, rs, {db_path, store::kDatabasePassword}, store::kProgramRow,
                              [&](const std::string& now) {
                                  services::SettingsLines lines(now);
                                  EXPECT_TRUE(dialogs::write_store_choice(
                                      lines, {true, server}, runtime::platform().secrets()));
                                  return lines.text();
                              }));
}

dialogs::ServerDetails shop_server(PgServer& pg, const std::string& database) {
    return {"127.0.0.1", pg.port(), database, pg.shop_user(), pg.shop_password()};
}

TEST_F(DialogFlow, TheDialogStoresTheChoiceAndTheListComesFromTheServer) {
    add("本机客户", "店主", 45000, 45000);
    PgServer& pg = PgServer::shared();
    const std::string database = pg.fresh_database("dialog");
    const auto server = shop_server(pg, database);
    store::StoreConnection c;
    store::RowSet rs;
    ASSERT_EQ(store::save_new_customer(c, rs, dialogs::server_location(server),
                                       {"服务器客户", "店主", 45000, 45000, ""}),
              store::SaveOutcome::saved);
    HeadlessWindow& main = open_main();
    ASSERT_EQ(rows(main).at(0).at(3), "本机客户");

    on_open("DatabaseSettings", [&](HeadlessWindow& w) {
        EXPECT_EQ(w.selected_choice(db::kChoice), 0);
        EXPECT_EQ(w.text(db::kPort), "5432");
        EXPECT_TRUE(w.form().find(db::kPassword)->password);
        w.select_choice(db::kChoice, 1);
        w.set_text(db::kHost, server.host);
        w.set_text(db::kPort, std::to_string(server.port));
        w.set_text(db::kDatabase, "");
        w.set_text(db::kUser, server.user);
        w.set_text(db::kPassword, server.password);
        w.fire(db::kOkButton, runtime::Event::clicked);  // no database named: told, stays open
        EXPECT_FALSE(w.closed());
        w.set_text(db::kDatabase, server.database);
        w.fire(db::kTestButton, runtime::Event::clicked);
        w.press_key("Enter");
    });
    main.fire("", runtime::Event::right_button);
    main.choose_menu_item("数据库设置…");
    EXPECT_EQ(messages(),
              (std::vector<std::pair<std::string, std::string>>{
                  {"请填写数据库的名字。", "信息："},
                  {"连接成功。服务器上有未成交客户 1 位，已成交客户 0 位。", "恭喜："}}));
    EXPECT_EQ(rows(main).at(0).at(3), "服务器客户");
    // The watch follows the store in use: another PC's save on the server shows at a tick.
    ASSERT_TRUE(main.tick(app::kChangeWatchTimer));
    ASSERT_EQ(store::save_new_customer(c, rs, dialogs::server_location(server),
                                       {"另一台电脑", "店主", 45000, 45000, ""}),
              store::SaveOutcome::saved);
    ASSERT_TRUE(main.tick(app::kChangeWatchTimer));
    EXPECT_EQ(rows(main).at(0).at(3), "另一台电脑");
    // On the server, a copy (here the file's, taken at the start) puts the customers back
    // for every PC of the shop, the server's data kept aside first.
    on_open("RestoreDialog", [&](HeadlessWindow& w) {
        ASSERT_EQ(w.item_count(forms::restore::kList), 1);
        w.select_row(forms::restore::kList, 0);
        w.fire(forms::restore::kOkButton, runtime::Event::clicked);
    });
    backend_.message_boxes().push_answer(runtime::kAnswerYes);
    main.fire("", runtime::Event::right_button);
    main.choose_menu_item("恢复备份…");
    const auto said = messages();
    ASSERT_EQ(said.size(), 2u);
    EXPECT_NE(said[0].first.find("替换数据库服务器上现在的客户数据吗？\r\n店里所有电脑都会看到"),
              std::string::npos)
        << said[0].first;
    ASSERT_EQ(rows(main).size(), 1u);
    EXPECT_EQ(rows(main)[0][3], "本机客户");
    EXPECT_EQ(store::load_customers(c, rs, dialogs::server_location(server), false)->size(), 1u);
    const auto copies =
        store::list_backups(files_, store::backup_folder(db_path_), store::kDatabasePassword);
    ASSERT_EQ(copies.size(), 2u);
    EXPECT_EQ(copies[0].open_customers, 2);  // the server's, before the restore
    // Kept in the file, the password protected; the next start goes to the server.
    const std::string row2 =
        *store::read_setting(c, rs, app::local_store(context_), store::kProgramRow);
    EXPECT_NE(row2.find("store=server\r\n"), std::string::npos);
    EXPECT_EQ(row2.find(server.password), std::string::npos);
    EXPECT_EQ(
        dialogs::read_store_choice(services::SettingsLines(row2), runtime::platform().secrets())
            .choice,
        (dialogs::StoreChoice{true, server}));
}

// With LQ_STORE naming the shop's server, a choice made in the dialog goes into this PC's own
// file: the server's settings row, which every PC reads, never gets this PC's host, user or
// password.
TEST_F(DialogFlow, UnderTheVariableTheChoiceStaysInThisPcsFile) {
    PgServer& pg = PgServer::shared();
    const std::string shop = pg.fresh_database("override");
    const auto chosen = shop_server(pg, pg.fresh_database("chosen"));
    ::setenv(store::kStoreVariable, pg.connection_string(shop).c_str(), 1);
    struct Unset {
        ~Unset() { ::unsetenv(store::kStoreVariable); }
    } unset;
    HeadlessWindow& main = open_main();
    store::StoreConnection c;
    store::RowSet rs;
    on_open("DatabaseSettings", [&](HeadlessWindow& w) {
        w.select_choice(db::kChoice, 1);
        w.set_text(db::kHost, chosen.host);
        w.set_text(db::kPort, std::to_string(chosen.port));
        w.set_text(db::kDatabase, chosen.database);
        w.set_text(db::kUser, chosen.user);
        w.set_text(db::kPassword, chosen.password);
        w.press_key("Enter");
    });
    main.fire("", runtime::Event::right_button);
    main.choose_menu_item("数据库设置…");
    EXPECT_EQ(messages().size(), 0u);
    const std::string on_server = pg.admin_sql(shop, "SELECT ww FROM vantel_ww WHERE id = 2");
    for (const std::string& leak : {std::string("store="), chosen.database, chosen.user})
        EXPECT_EQ(on_server.find(leak), std::string::npos) << leak << " in " << on_server;
    store::StoreLocation file{db_path_, store::kDatabasePassword};
    file.exact = true;
    const std::string row2 = *store::read_setting(c, rs, file, store::kProgramRow);
    EXPECT_EQ(
        dialogs::read_store_choice(services::SettingsLines(row2), runtime::platform().secrets())
            .choice,
        (dialogs::StoreChoice{true, chosen}));
}

// The link to the server cut in the middle of a save, before its COMMIT arrived and after
// (the answer lost): the editor says the server is away and keeps what was typed, or says saved
// when the server holds it.
TEST_F(DialogFlow, ALinkCutInTheMiddleOfASaveSaysTheServerIsAway) {
    using Trap = testing_support::TcpProxy::Trap;
    PgServer& pg = PgServer::shared();
    const std::string shop = pg.fresh_database("cut_save");
    testing_support::TcpProxy relay(pg.port());
    ::setenv(store::kStoreVariable,
             pg.connection_string(shop, pg.shop_user(), pg.shop_password(), relay.port()).c_str(),
             1);
    struct Unset {
        ~Unset() { ::unsetenv(store::kStoreVariable); }
    } unset;
    set_our_ids("店主\r\n");
    HeadlessWindow& main = open_main();
    const std::pair<std::string, std::string> away{
        "这次修改没有保存。连不上数据库服务器：服务器没有开机、地址或端口不对，或者网络断了。",
        "信息："};
    struct Case {
        const char* wang;
        const char* text;
        Trap how;
        bool saved;
    };
    for (const Case& k : {Case{"cut-in-rows", "cut-in-rows", Trap::cut_before, false},
                          Case{"cut-before-commit", "COMMIT", Trap::cut_before, false},
                          Case{"answer-lost", "COMMIT", Trap::cut_after, true}}) {
        SCOPED_TRACE(k.wang);
        on_open("CustomerEditor", [&](HeadlessWindow& e) {
            e.set_text(forms::editor::kCustomerId, k.wang);
            e.fire(forms::editor::kCustomerId, runtime::Event::lost_focus);
            e.select_choice(forms::editor::kOurIds, 0);
            relay.trap(k.text, k.how);
            e.fire(forms::editor::kSaveButton, runtime::Event::clicked);
            EXPECT_TRUE(relay.sprung());
            EXPECT_EQ(e.closed(), k.saved);
            if (!k.saved) {
                EXPECT_EQ(e.text(forms::editor::kCustomerId), k.wang);  // kept as typed
                e.close();
            }
        });
        main.fire(forms::main::kToolbar, runtime::Event::entry_clicked, {0, {}});
        const auto said = messages();
        ASSERT_EQ(said.size(), 1u);
        const std::pair<std::string, std::string> saved{"保存成功！", "恭喜："};
        EXPECT_EQ(said[0], k.saved ? saved : away);
        EXPECT_EQ(pg.admin_sql(shop, "SELECT count(*) FROM yrkb_com WHERE wang = '" +
                                         std::string(k.wang) + "'"),
                  k.saved ? "1\n" : "0\n");
    }
}

TEST_F(DialogFlow, AServerAwayAtStartIsNamedAndTheFileServesThisRun) {
    add("本机客户", "店主", 45000, 45000);
    PgServer& pg = PgServer::shared();
    auto away = shop_server(pg, pg.fresh_database("away"));
    away.port = 1;
    choose_server(db_path_, away);
    backend_.message_boxes().push_answer(runtime::kAnswerRetry);
    backend_.message_boxes().push_answer(runtime::kAnswerCancel);
    HeadlessWindow& main = open_main();
    const std::string said = "客户数据在数据库服务器 127.0.0.1:1 上的数据库 " + away.database +
                             "，现在用不了：\r\n连不上数据库服务器：服务器没有开机、地址或端口不"
                             "对，或者网络断了。\r\n\r\n按“重试”再连一次；按“取消”这次先用本机文件"
                             "（设置不变，下次启动还会连服务器）。";
    EXPECT_EQ(messages(), (std::vector<std::pair<std::string, std::string>>{{said, "温馨提示："},
                                                                            {said, "温馨提示："}}));
    EXPECT_EQ(rows(main).at(0).at(3), "本机客户");
    store::StoreConnection c;
    store::RowSet rs;
    EXPECT_NE(store::read_setting(c, rs, app::local_store(context_), store::kProgramRow)
                  ->find("store=server"),
              std::string::npos);
}

// The menu's move: the customers and the cadence go to the chosen server, the program uses it
// from then on; a second move finds the server in use and asks before merging.
TEST_F(DialogFlow, TheShopMovesFromTheMenuAndTheListFollows) {
    add("甲", "店主", 45000, 45000);
    add("乙", "店主", 45001, 45001);
    store::StoreConnection c;
    store::RowSet rs;
    const store::StoreLocation file{db_path_, store::kDatabasePassword};
    ASSERT_TRUE(store::write_setting(c, rs, file, store::kProgramRow, "cadence=9\r\n"));
    PgServer& pg = PgServer::shared();
    const auto server = shop_server(pg, pg.fresh_database("menu_move"));
    // Chosen in the settings but not in use yet: the start puts it to use.
    choose_server(db_path_, server);
    HeadlessWindow& main = open_main();
    EXPECT_EQ(main.item_count(forms::main::kList), 0);

    main.fire("", runtime::Event::right_button);
    main.choose_menu_item("把本机数据搬到服务器…");
    auto said = messages();
    ASSERT_EQ(said.size(), 2u);
    EXPECT_EQ(said[0].first, "要把本机的客户数据搬到 127.0.0.1:" + std::to_string(pg.port()) +
                                 " 上的数据库 " + server.database +
                                 " 吗？\r\n搬之前会先备份本机数据，本机的数据文件不会改动。");
    EXPECT_TRUE(said[1].first.starts_with("搬好了：2 位客户已经搬到服务器上。\r\n"))
        << said[1].first;
    EXPECT_TRUE(said[1].first.ends_with("从现在起，客户数据存放在服务器上。"));
    EXPECT_EQ(said[1].second, "恭喜：");
    EXPECT_EQ(main.item_count(forms::main::kList), 2);
    const auto on_server = dialogs::server_location(server);
    EXPECT_EQ(*store::read_setting(c, rs, on_server, store::kProgramRow), "cadence=9\r\n");
    // The cadence is the shop's now: read from the server and stored there, not in this file.
    ASSERT_TRUE(store::update_setting(c, rs, file, store::kProgramRow, [](const std::string& now) {
        services::SettingsLines lines(now);
        lines.set("cadence", "3");
        return lines.text();
    }));
    EXPECT_EQ(app::current_cadence(context_), 9);
    ASSERT_TRUE(app::save_cadence(context_, 12));
    EXPECT_EQ(*store::read_setting(c, rs, on_server, store::kProgramRow), "cadence=12\r\n");
    EXPECT_NE(store::read_setting(c, rs, file, store::kProgramRow)->find("cadence=3\r\n"),
              std::string::npos);
    EXPECT_EQ(app::current_cadence(context_), 12);

    backend_.message_boxes().push_answer(runtime::kAnswerYes);
    backend_.message_boxes().push_answer(runtime::kAnswerNo);
    main.fire("", runtime::Event::right_button);
    main.choose_menu_item("把本机数据搬到服务器…");
    said = messages();
    ASSERT_EQ(said.size(), 2u);
    EXPECT_TRUE(said[1].first.starts_with("服务器上已经有 2 位客户。要把本机的客户合并进去吗？"));
    EXPECT_EQ(store::count_customers(c, rs, on_server, false), 2);
}

}  // namespace
}  // namespace dialog_tests
