#include "runtime/headless/message_boxes.h"

#include <gtest/gtest.h>

namespace runtime::headless {
namespace {

TEST(HeadlessMessageBoxes, RecordsEveryBoxWithItsAnswer) {
    HeadlessMessageBoxes boxes;
    boxes.push_answer(kAnswerNo);
    EXPECT_EQ(boxes.show("确定要删除吗？", "提示", kStyleYesNo), kAnswerNo);
    EXPECT_EQ(boxes.show("保存成功！", "恭喜：", kStyleOk), kAnswerOk);

    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.shown()[0].text, "确定要删除吗？");
    EXPECT_EQ(boxes.shown()[0].title, "提示");
    EXPECT_EQ(boxes.shown()[0].style, kStyleYesNo);
    EXPECT_EQ(boxes.shown()[0].answer, kAnswerNo);
    EXPECT_EQ(boxes.shown()[1].text, "保存成功！");
    EXPECT_EQ(boxes.shown()[1].title, "恭喜：");
    EXPECT_EQ(boxes.shown()[1].answer, kAnswerOk);

    boxes.clear_shown();
    EXPECT_TRUE(boxes.shown().empty());
}

TEST(HeadlessMessageBoxes, ScriptedAnswersAreUsedInOrderThenDefaultsResume) {
    HeadlessMessageBoxes boxes;
    boxes.push_answer(kAnswerNo);
    boxes.push_answer(kAnswerYes);
    boxes.push_answer(kAnswerNo);
    EXPECT_EQ(boxes.pending_answers(), 3u);
    EXPECT_EQ(boxes.show("1", "", kStyleYesNo), kAnswerNo);
    EXPECT_EQ(boxes.show("2", "", kStyleYesNo), kAnswerYes);
    EXPECT_EQ(boxes.show("3", "", kStyleYesNo), kAnswerNo);
    EXPECT_EQ(boxes.pending_answers(), 0u);
    EXPECT_EQ(boxes.show("4", "", kStyleYesNo), kAnswerYes);
}

TEST(HeadlessMessageBoxes, DefaultAnswerIsTheDefaultButton) {
    using B = HeadlessMessageBoxes;
    EXPECT_EQ(B::default_answer(kStyleOk), kAnswerOk);
    EXPECT_EQ(B::default_answer(kStyleOkCancel), kAnswerOk);
    EXPECT_EQ(B::default_answer(kStyleAbortRetryIgnore), kAnswerAbort);
    EXPECT_EQ(B::default_answer(kStyleYesNoCancel), kAnswerYes);
    EXPECT_EQ(B::default_answer(kStyleYesNo), kAnswerYes);
    EXPECT_EQ(B::default_answer(kStyleRetryCancel), kAnswerRetry);
    EXPECT_EQ(B::default_answer(kStyleCancelTryContinue), kAnswerCancel);

    // MB_DEFBUTTON2 / 3 pick the second and third button.
    EXPECT_EQ(B::default_answer(kStyleYesNo | 0x100), kAnswerNo);
    EXPECT_EQ(B::default_answer(kStyleOkCancel | 0x100), kAnswerCancel);
    EXPECT_EQ(B::default_answer(kStyleYesNoCancel | 0x200), kAnswerCancel);
    EXPECT_EQ(B::default_answer(kStyleCancelTryContinue | 0x200), kAnswerContinue);
    // A default button the box lacks falls back to the first one.
    EXPECT_EQ(B::default_answer(kStyleYesNo | 0x300), kAnswerYes);
    EXPECT_EQ(B::default_answer(kStyleOk | 0x100), kAnswerOk);
    // Icon and modality bits do not change the buttons.
    EXPECT_EQ(B::default_answer(kStyleYesNo | 0x20 | 0x2000), kAnswerYes);
    // Button sets Windows does not know give no answer.
    EXPECT_EQ(B::default_answer(0x7), 0);
    EXPECT_EQ(B::default_answer(0xF), 0);
}

}  // namespace
}  // namespace runtime::headless
