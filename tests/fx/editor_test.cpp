// The editor without widgets: every effect of the table through its life on
// a picture held in memory — pending, cancelled, applied.
#include <gtest/gtest.h>

#include <memory>
#include <utility>

#include "fx/editor.h"
#include "pictures.h"

namespace pixmold {
namespace {

using test::bytes_of;

Picture gradient_picture(int width, int height, int depth) {
    BitmapPtr bitmap = allocate_bitmap(width, height, depth);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) test::set_pixel_at(bitmap->view(), x, y, test::gradient(x, y), 100 + x % 100);
    return make_picture(std::move(bitmap), depth);
}

class EditorEffect : public ::testing::TestWithParam<std::tuple<std::size_t, int>> {
protected:
    static void SetUpTestSuite() { init_image_engine(); }
    const Effect& effect() const { return standard_effects()[std::get<0>(GetParam())]; }
    int depth() const { return std::get<1>(GetParam()); }
};

TEST_P(EditorEffect, WaitsForApplyOrCancel) {
    const Picture original = gradient_picture(120, 80, depth());
    const Colour colour = make_rgb(10, 200, 30);
    Editor editor;
    editor.load(original, "/photos/a.png", true);
    ASSERT_EQ(editor.state(), EditorState::Idle);
    ASSERT_EQ(editor.step(), Step::Start);

    ASSERT_TRUE(editor.apply_effect(effect(), colour));
    EXPECT_EQ(editor.state(), EditorState::EffectPending);
    EXPECT_EQ(editor.step(), Step::Pending);
    EXPECT_TRUE(editor.enabled(Command::Apply) && editor.enabled(Command::Cancel));
    EXPECT_FALSE(editor.enabled(Command::Save));
    EXPECT_EQ(tool_name(editor.result_tool()), effect().name);
    const std::vector<std::uint8_t> made = bytes_of(editor.picture().view());
    EXPECT_NE(made, bytes_of(original.view()));
    EXPECT_EQ(editor.picture().width(), 120);
    EXPECT_EQ(editor.picture().view().depth, depth());
    EXPECT_EQ(editor.picture().source_depth, depth());
    EXPECT_EQ(bytes_of(editor.result().view()), made);
    EXPECT_EQ(bytes_of(editor.preview()->view()), made);  // small enough to show as it is
    // The picture before the effect is what Cancel restores, kept as it was, not copied.
    EXPECT_EQ(editor.undo().bitmap, original.bitmap);
    // While it waits, nothing else starts.
    EXPECT_FALSE(editor.apply_effect(effect(), colour));
    EXPECT_FALSE(editor.crop_on());

    ASSERT_TRUE(editor.cancel());
    EXPECT_EQ(bytes_of(editor.picture().view()), bytes_of(original.view()));
    EXPECT_EQ(bytes_of(editor.result().view()), bytes_of(original.view()));
    EXPECT_EQ(editor.state(), EditorState::Idle);
    EXPECT_EQ(editor.step(), Step::Cancelled);

    ASSERT_TRUE(editor.apply_effect(effect(), colour));
    const std::vector<std::uint8_t> kept = bytes_of(editor.picture().view());
    ASSERT_TRUE(editor.apply());
    EXPECT_EQ(bytes_of(editor.picture().view()), kept);
    EXPECT_FALSE(editor.undo());
    EXPECT_EQ(editor.state(), EditorState::Idle);
    EXPECT_EQ(editor.step(), Step::Applied);
    EXPECT_EQ(tool_name(editor.tool()), effect().name);
    // Nothing left to cancel: the applied picture stays.
    ASSERT_TRUE(editor.cancel());
    EXPECT_EQ(bytes_of(editor.picture().view()), kept);
}

INSTANTIATE_TEST_SUITE_P(EachEffect, EditorEffect,
                         ::testing::Combine(::testing::Range<std::size_t>(0, standard_effects().size()),
                                            ::testing::Values(24, 32)),
                         [](const auto& info) {
                             return std::string(standard_effects()[std::get<0>(info.param)].name) + "_" +
                                    std::to_string(std::get<1>(info.param));
                         });

// A picture shown again (by Cancel, Apply, leaving crop mode) keeps the
// preview made for it, the very one, and what it shows is that picture; a
// new picture lets go of every earlier one and of what was made from them.
TEST(EditorPreviews, ComeBackWithTheirPicturesAndGoWithThem) {
    init_image_engine();
    const Effect& effect = *find_effect(standard_effects(), "black_white");
    Picture first = gradient_picture(1200, 900, 24);
    Editor editor;
    editor.load(first, "/photos/a.png", true);
    std::shared_ptr<const Bitmap> shown_first = editor.preview();
    ASSERT_TRUE(shown_first);
    ASSERT_TRUE(editor.apply_effect(effect, 0));
    const std::vector<std::uint8_t> shown_effect = bytes_of(editor.preview()->view());
    EXPECT_EQ(shown_effect, bytes_of(show(editor.picture()).preview->view()));

    ASSERT_TRUE(editor.cancel());
    EXPECT_EQ(editor.preview(), shown_first);
    EXPECT_EQ(bytes_of(editor.preview()->view()), bytes_of(show(first).preview->view()));
    ASSERT_TRUE(editor.apply_effect(effect, 0));
    ASSERT_TRUE(editor.apply());
    EXPECT_EQ(bytes_of(editor.preview()->view()), shown_effect);

    // A crop: its preview made with it is what Apply shows.
    ASSERT_TRUE(editor.crop_on());
    editor.press_frame(40, 30);
    ASSERT_TRUE(editor.move_frame(400, 300));
    ASSERT_EQ(editor.release_frame(), Release::Unshown);
    const std::vector<std::uint8_t> crop = bytes_of(editor.result().view());
    editor.crop_off();
    EXPECT_EQ(bytes_of(editor.preview()->view()), shown_effect);
    ASSERT_TRUE(editor.crop_on());
    editor.press_frame(40, 30);
    ASSERT_TRUE(editor.move_frame(400, 300));
    ASSERT_EQ(editor.release_frame(), Release::Unshown);
    ASSERT_TRUE(editor.apply());
    EXPECT_EQ(bytes_of(editor.preview()->view()), bytes_of(show(editor.picture()).preview->view()));
    EXPECT_EQ(bytes_of(editor.picture().view()), crop);

    const std::weak_ptr<const Bitmap> gone[] = {std::exchange(first, {}).bitmap, editor.picture().bitmap,
                                                std::exchange(shown_first, {}), editor.preview()};
    editor.load(gradient_picture(900, 1200, 24), "/photos/b.png", true);
    for (std::size_t i = 0; i < std::size(gone); ++i) EXPECT_TRUE(gone[i].expired()) << i;
}

}  // namespace
}  // namespace pixmold
