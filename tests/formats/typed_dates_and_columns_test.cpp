// Dates as people type them, spreadsheet serials in both date systems, and what column a
// header names.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "formats/column_guess.h"
#include "formats/serial_dates.h"
#include "formats/typed_dates.h"

namespace format_tests {
namespace {

using formats::ColumnMeaning;

constexpr double k2014May23 = 41782;

TEST(TypedDates, AcceptedFormsAndRefusedDays) {
    struct Case {
        const char* typed;
        std::optional<double> days;
    };
    const Case cases[] = {
        {"2014-5-23", k2014May23},
        {"2014/05/23", k2014May23},
        {"2014.5.23", k2014May23},
        {"2014年5月23日", k2014May23},
        {"２０１４－５－２３", k2014May23},
        {" 2014-5-23 ", k2014May23},
        {"2014-5-23 10:30", k2014May23 + 10.5 / 24},
        {"2014/5/23  9:05:30", k2014May23 + (9 * 3600 + 5 * 60 + 30) / 86400.0},
        {"2014-05-23T23:59:59", k2014May23 + 86399 / 86400.0},
        {"2016-2-29", 42429},
        {"1900-3-1", 61},
        // A bare number is no date in typed text: only a workbook's number cells are serials.
        {"41782", std::nullopt},
        {"41782.5", std::nullopt},
        {"2023", std::nullopt},
        {"0", std::nullopt},
        {"59", std::nullopt},
        {"2014-2-30", std::nullopt},
        {"1900-2-29", std::nullopt},
        {"2014-13-1", std::nullopt},
        {"2014-5-23 24:00", std::nullopt},
        {"2014-5-23 10:60", std::nullopt},
        {"2014-5-23x", std::nullopt},
        {"2014/5-23", std::nullopt},
        {"14-5-23", std::nullopt},
        {"0099-1-1", std::nullopt},
        {"60", std::nullopt},
        {"abc", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formats::parse_typed_date(c.typed), c.days) << c.typed;
}

TEST(TypedDates, SerialsOfBothDateSystemsAndBack) {
    using formats::DateSystem;
    struct Case {
        double serial;
        DateSystem system;
        std::optional<double> days;
    };
    const Case cases[] = {
        {1, DateSystem::from1900, 2},  // 1900-01-01
        {59, DateSystem::from1900, 60},
        {60, DateSystem::from1900, std::nullopt},
        {60.5, DateSystem::from1900, std::nullopt},
        {61, DateSystem::from1900, 61},
        {0.25, DateSystem::from1900, 0.25},
        {k2014May23, DateSystem::from1900, k2014May23},
        {2958465.5, DateSystem::from1900, 2958465.5},  // 9999-12-31 12:00
        {2958466, DateSystem::from1900, std::nullopt},
        {-1, DateSystem::from1900, std::nullopt},
        {0, DateSystem::from1904, 1462},
        {k2014May23 - 1462, DateSystem::from1904, k2014May23},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formats::serial_to_days(c.serial, c.system), c.days) << c.serial;
    for (double days : {2.0, 60.0, 61.0, k2014May23, k2014May23 + 0.75})
        EXPECT_EQ(formats::serial_to_days(*formats::days_to_serial(days), DateSystem::from1900),
                  days);
    for (double days : {0.0, 1.5, -3.0, 2958466.0})
        EXPECT_EQ(formats::days_to_serial(days), std::nullopt) << days;
}

TEST(ColumnGuess, HeadersPeopleWriteAndTheProgramsOwn) {
    struct Case {
        const char* header;
        ColumnMeaning meaning;
    };
    const Case cases[] = {
        {"序号", ColumnMeaning::running_number},
        {"NO.", ColumnMeaning::running_number},
        {"客户旺旺", ColumnMeaning::customer_id},
        {" 客户 旺旺号 ", ColumnMeaning::customer_id},
        {"客户旺旺号：", ColumnMeaning::customer_id},
        {"买家旺旺名", ColumnMeaning::customer_id},
        {"旺旺", ColumnMeaning::customer_id},
        {"ＷＷ", ColumnMeaning::customer_id},
        {"Customer ID", ColumnMeaning::customer_id},
        {"我们的旺旺", ColumnMeaning::our_id},
        {"客服旺旺", ColumnMeaning::our_id},
        {"接待旺旺", ColumnMeaning::our_id},
        {"第一次咨询日期", ColumnMeaning::first_enquiry},
        {"首次咨询时间", ColumnMeaning::first_enquiry},
        {"最后跟踪日期", ColumnMeaning::last_follow_up},
        {"跟进日期", ColumnMeaning::last_follow_up},
        {"交易日期", ColumnMeaning::deal_date},
        {"成交日期", ColumnMeaning::deal_date},
        {"备注", ColumnMeaning::note},
        {"Remarks", ColumnMeaning::note},
        {"客户地址", ColumnMeaning::none},
        {"旺旺旺旺", ColumnMeaning::none},
        {"", ColumnMeaning::none},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formats::guess_column(c.header), c.meaning) << c.header;
    // The program's own column names read back as what they name.
    for (auto m : {ColumnMeaning::running_number, ColumnMeaning::customer_id, ColumnMeaning::our_id,
                   ColumnMeaning::first_enquiry, ColumnMeaning::last_follow_up,
                   ColumnMeaning::deal_date, ColumnMeaning::note})
        EXPECT_EQ(formats::guess_column(formats::meaning_name(m)), m);
    EXPECT_EQ(formats::normalise_header("　Ｃｕｓｔｏｍｅｒ ＩＤ："), "customerid");
}

}  // namespace
}  // namespace format_tests
