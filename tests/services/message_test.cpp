#include "services/message.h"

#include <gtest/gtest.h>

#include "runtime/headless/backend.h"

namespace services {
namespace {

TEST(ShowMessage, TextTitleAndStyleReachTheBox) {
    runtime::headless::Backend backend;
    EXPECT_EQ(show_message("保存成功！", kButtonsOk, "恭喜："), kChoseOk);
    EXPECT_EQ(show_message("请输入旺旺ID"), kChoseOk);

    const auto& shown = backend.message_boxes().shown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, "保存成功！");
    EXPECT_EQ(shown[0].title, "恭喜：");
    EXPECT_EQ(shown[0].style, 0u);
    EXPECT_EQ(shown[1].text, "请输入旺旺ID");
    // The omitted title, byte for byte: 信息 and a full-width colon.
    EXPECT_EQ(shown[1].title, "\xE4\xBF\xA1\xE6\x81\xAF\xEF\xBC\x9A");
    EXPECT_EQ(shown[1].style, 0u);
}

TEST(ShowMessage, ChoiceIsTheAnswerMinusOne) {
    runtime::headless::Backend backend;
    auto& boxes = backend.message_boxes();

    EXPECT_EQ(show_message("确定删除？", kButtonsYesNo), kChoseYes);  // Enter takes Yes
    boxes.push_answer(runtime::kAnswerNo);
    EXPECT_EQ(show_message("确定删除？", kButtonsYesNo), kChoseNo);
    EXPECT_EQ(boxes.shown().back().style, 4u);

    const int answers[] = {1, 2, 3, 4, 5, 6, 7};
    const std::int32_t choices[] = {kChoseOk,     kChoseCancel, kChoseAbort, kChoseRetry,
                                    kChoseIgnore, kChoseYes,    kChoseNo};
    for (int i = 0; i < 7; ++i) {
        boxes.push_answer(answers[i]);
        EXPECT_EQ(show_message("x", 3), choices[i]);
    }
    EXPECT_EQ(choices[6], 6);
    // A box that could not be shown answers 0.
    boxes.push_answer(0);
    EXPECT_EQ(show_message("x"), -1);
    // The buttons code is handed on as its bit pattern.
    show_message("x", -1);
    EXPECT_EQ(boxes.shown().back().style, 0xFFFFFFFFu);
}

TEST(ShowMessage, ExplicitAdapterNeedsNoPlatform) {
    runtime::headless::HeadlessMessageBoxes boxes;
    boxes.push_answer(runtime::kAnswerCancel);
    EXPECT_EQ(show_message(boxes, "文本", 1, ""), kChoseCancel);
    EXPECT_EQ(boxes.shown().at(0).title, "");  // an empty title is not replaced
    EXPECT_EQ(boxes.shown().at(0).style, 1u);
}

}  // namespace
}  // namespace services
