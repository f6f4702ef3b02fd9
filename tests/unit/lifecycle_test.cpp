// Start-up, shutdown and the board link: the order of things, the hook's dispatch,
// and the plug-state picture.
#include <gtest/gtest.h>

#include "form/picture.h"
#include "form_fixture.h"

namespace dorvan::test {
namespace {

constexpr DeviceHandle kBoard = deviceHandle(kBoardVendorId, kBoardProductId);

struct Lifecycle : FormFixture {
  std::vector<std::string> order;
  Lifecycle() {
    library.sharedLog = &order;
    slot.sharedLog = &order;
  }
};

TEST_F(Lifecycle, LoadConnectsWithTheWindowThenHooksThenPrompts) {
  view.handle = 0xBEEF;
  ASSERT_TRUE(form.Form_Load());
  EXPECT_EQ(order, (std::vector<std::string>{"Connect 48879", "install 48879"}));
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].text, "KADEME SEÇİMİ YAPINIZ");
  EXPECT_EQ(view.messages[0].title, "KAVRUN 18F2550 MERVALTO");
  EXPECT_EQ(view.messages[0].kind, MessageKind::Prompt);
  EXPECT_EQ(form.applicationTitle(), "KAVRUN 18F2550 MERVALTO");
  EXPECT_EQ(form.currentStage(), 0);
  EXPECT_FALSE(view.endedWith);
}

TEST_F(Lifecycle, AnUnusableLibraryIsReportedAndEndsTheProgramBeforeAnyPrompt) {
  library.loadProblem = "mcHID.dll bulunamadı";
  EXPECT_FALSE(form.Form_Load());
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].text, "mcHID.dll bulunamadı");
  EXPECT_EQ(view.messages[0].title, "KAVRUN 18F2550 MERVALTO");
  EXPECT_EQ(view.messages[0].kind, MessageKind::Error);
  ASSERT_TRUE(view.endedWith);
  EXPECT_NE(*view.endedWith, 0);
  EXPECT_TRUE(order.empty()) << "neither connected nor hooked";
}

TEST_F(Lifecycle, UnloadDisconnectsThenUnhooksAndLeavesTheCloseAlone) {
  form.Form_Load();
  order.clear();
  std::int16_t cancel = 0;
  form.Form_Unload(cancel);
  EXPECT_EQ(cancel, 0);
  EXPECT_EQ(order, (std::vector<std::string>{"Disconnect", "restore 4660"}));
  EXPECT_TRUE(files.besideJournal().empty()) << "closing never saves";
  EXPECT_EQ(view.messages.size(), 1u) << "closing never asks";
}

// The window closed while the message of two bad lines is open: both are journaled, in
// order, before the end, and nothing comes after it.
TEST_F(Lifecycle, ProblemsFoundTogetherAreAllJournaledBeforeTheirMessageAndNothingAfterTheEnd) {
  form.Form_Load();
  view.duringMessage = [this] {
    std::int16_t cancel = 0;
    form.Form_Unload(cancel);
  };
  form.reportProblems({"ag.txt, satır 2: birinci", "ag.txt, satır 5: ikinci"});
  form.note("MQTT BAĞLANDI");
  form.reportProblem("geç kalan");
  std::vector<std::string> lines;
  for (std::string_view rest = files.files["gunluk.txt"]; !rest.empty();) {
    const std::size_t end = rest.find('\n');
    std::string_view line = rest.substr(20, end - 20);
    if (line.ends_with('\r')) line.remove_suffix(1);
    lines.emplace_back(line);
    rest.remove_prefix(end + 1);
  }
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(lines.end() - 3, lines.end()),
            (std::vector<std::string>{"UYARI: ag.txt, satır 2: birinci", "UYARI: ag.txt, satır 5: ikinci",
                                      "DORVAN KAPANDI"}));
  ASSERT_EQ(view.messages.size(), 2u) << "the start prompt, then one message for both";
  EXPECT_EQ(view.messages[1].text, "ag.txt, satır 2: birinci\n\nag.txt, satır 5: ikinci");
}

TEST_F(Lifecycle, EveryMessageIsForwardedAfterItsHandlerWithItsArgumentsUnchanged) {
  form.Form_Load();
  order.clear();
  EXPECT_EQ(form.hidLink().HidWindowProc(view.handle, 0x0010, 5, 6), 77) << "the previous result is returned";
  notify(3, 0);
  notify(4, 42);
  EXPECT_EQ(order, (std::vector<std::string>{"previous 16 5 6", "GetHandle 6020 2008", "SetReadNotify 0 true",
                                             "previous 32968 3 0", "Read 42", "previous 32968 4 42"}));
}

TEST_F(Lifecycle, CodesOtherThanOneToFourCallNoHandler) {
  form.Form_Load();
  order.clear();
  for (std::uintptr_t code : {0u, 5u, 200u}) notify(code, static_cast<std::intptr_t>(kBoard));
  const std::string board = std::to_string(kBoard);
  EXPECT_EQ(order, (std::vector<std::string>{"previous 32968 0 " + board, "previous 32968 5 " + board,
                                             "previous 32968 200 " + board}));
}

TEST_F(Lifecycle, NothingReachesTheHandlersAfterTheLinkIsClosed) {
  form.Form_Load();
  std::int16_t cancel = 0;
  form.Form_Unload(cancel);
  order.clear();
  notify(1, kBoard);
  notify(3, 0);
  EXPECT_EQ(order, (std::vector<std::string>{"previous 32968 1 " + std::to_string(kBoard), "previous 32968 3 0"}));
  EXPECT_FALSE(view.picture);
}

TEST_F(Lifecycle, ChangeSwitchesOnReadNotificationForWhateverHandleTheLibraryGives) {
  form.Form_Load();
  library.attached = 9;
  notify(3, 0);
  EXPECT_EQ(library.calls.back(), "SetReadNotify 9 true");
}

TEST_F(Lifecycle, ReadFillsTheInputReportAndNothingElse) {
  form.Form_Load();
  const auto logBefore = view.log.size();
  notify(4, kBoard);
  EXPECT_EQ(form.InputReport()[0], 0xA0);
  EXPECT_EQ(form.InputReport()[8], 0xA8);
  EXPECT_EQ(view.log.size(), logBefore);
  EXPECT_EQ(form.OutputReport(), Report{});
}

std::string bmpOf(int w, int h, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  const int row = (w * 3 + 3) & ~3;
  std::string f(54 + static_cast<std::size_t>(row) * h, '\0');
  auto put = [&](int at, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) f[at + i] = static_cast<char>(v >> (8 * i));
  };
  f[0] = 'B', f[1] = 'M';
  put(2, static_cast<std::uint32_t>(f.size()), 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, w, 4);
  put(22, h, 4);
  put(26, 1, 2);
  put(28, 24, 2);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::size_t at = 54 + static_cast<std::size_t>(y) * row + x * 3;
      f[at] = static_cast<char>(b), f[at + 1] = static_cast<char>(g), f[at + 2] = static_cast<char>(r);
    }
  return f;
}

TEST_F(Lifecycle, PlugAndUnplugOfTheBoardShowTheirPictures) {
  files.files["fis_1.bmp"] = bmpOf(3, 2, 255, 0, 0);
  files.files["fis_2.bmp"] = bmpOf(4, 2, 0, 255, 0);
  form.Form_Load();
  notify(1, kBoard);
  ASSERT_TRUE(view.picture);
  EXPECT_EQ(view.picture->width, 4);
  EXPECT_EQ(view.picture->at(0, 0), 0x00FF00u);
  notify(2, kBoard);
  EXPECT_EQ(view.picture->width, 3);
  EXPECT_EQ(view.picture->at(2, 1), 0xFF0000u);
  view.picture.reset();
  notify(1, kBoard);
  ASSERT_TRUE(view.picture) << "a second plug loads the picture again";
  EXPECT_EQ(files.openHandles, 0);
}

TEST_F(Lifecycle, IdsAreAskedVendorFirstAndAnotherDeviceChangesNothing) {
  files.files["fis_2.bmp"] = bmpOf(4, 2, 0, 255, 0);
  form.Form_Load();
  order.clear();
  notify(1, deviceHandle(kBoardVendorId, 2009));
  notify(1, deviceHandle(6021, kBoardProductId));
  EXPECT_FALSE(view.picture);
  EXPECT_EQ(order[0], "GetVendorID " + std::to_string(deviceHandle(kBoardVendorId, 2009)));
  EXPECT_EQ(order[1], "GetProductID " + std::to_string(deviceHandle(kBoardVendorId, 2009)));
}

TEST_F(Lifecycle, AMissingOrBrokenPictureFileFallsBackToTheBuiltInPicture) {
  files.files["fis_2.bmp"] = "BM this is not a bitmap";
  form.Form_Load();
  notify(1, kBoard);
  ASSERT_TRUE(view.picture);
  EXPECT_EQ(view.picture->pixels, builtinPicture(PlugPicture::Plugged).pixels);
  notify(2, kBoard);
  EXPECT_EQ(view.picture->pixels, builtinPicture(PlugPicture::Unplugged).pixels);
  EXPECT_EQ(view.messages.size(), 1u) << "only the prompt";
  EXPECT_FALSE(view.endedWith);
}

TEST(Pictures, StoredAndBuiltInPicturesHaveTheBoxSize) {
  for (const Image* img :
       {&storedPicture(), &builtinPicture(PlugPicture::Plugged), &builtinPicture(PlugPicture::Unplugged)}) {
    EXPECT_EQ(img->width, 147);
    EXPECT_EQ(img->height, 53);
  }
  EXPECT_NE(builtinPicture(PlugPicture::Plugged).pixels, builtinPicture(PlugPicture::Unplugged).pixels);
}

TEST(Pictures, DecoderRefusesWhatItCannotShowSafely) {
  std::string ok = bmpOf(2, 2, 1, 2, 3);
  std::vector<std::uint8_t> bytes(ok.begin(), ok.end());
  EXPECT_TRUE(decodeBmp(bytes));
  for (std::size_t cut : {0u, 13u, 53u, 60u}) {
    std::vector<std::uint8_t> truncated(bytes.begin(), bytes.begin() + static_cast<long>(cut));
    EXPECT_FALSE(decodeBmp(truncated)) << cut;
  }
  std::vector<std::uint8_t> huge = bytes;
  huge[18] = 0xFF, huge[19] = 0xFF, huge[20] = 0xFF, huge[21] = 0x7F;  // width 2^31 - 1
  EXPECT_FALSE(decodeBmp(huge));
  std::vector<std::uint8_t> rle = bytes;
  rle[30] = 1;
  EXPECT_FALSE(decodeBmp(rle));
}

}  // namespace
}  // namespace dorvan::test
