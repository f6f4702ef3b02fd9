// DORVAN.exe as a user starts it from the unpacked ZIP: the board library put beside
// it, its own folder the working folder, no test copy in between. --exe names the
// unpacked program; tests/package unpacks the ZIP into an empty folder first.
#include "groups.h"
#include "text.h"
#include "ui.h"

namespace wine_test {

bool runPackage(Context& ctx) {
  LaunchOptions options;
  options.inPlace = true;
  Session s(ctx.paths, options);
  ctx.report.run("package", "unpacked with mcHID.dll beside it, the program reaches its prompt and window",
                 [&](Case& c) {
                   HWND prompt = launchToPrompt(s, c);
                   c.expect(textOf(prompt) == windowCaption(), "prompt title is \"" + narrow(textOf(prompt)) + "\"");
                   const std::wstring text = messageBoxText(prompt);
                   c.expect(text == L"KADEME SEÇİMİ YAPINIZ", "prompt text is \"" + narrow(text) + "\"");
                   acceptPrompt(s, prompt, c);
                   const DWORD code = s.closeMainWindow(10000);
                   c.expect(code == 0, "exit code " + std::to_string(code) + " after closing the window");
                 });
  return true;
}

}  // namespace wine_test
