// Drives DORVAN.exe from outside under Wine: one group of cases per run.
//   dorvan_wine_driver GROUP --exe PATH --dll PATH [--ready FILE --done FILE]
// Paths may be Unix paths; they are read as Wine's Z: drive. Exit code 0 when every
// case passed, 1 on any failure, 77 when the group had nothing to test.
// DORVAN_KEEP_TEST_FOLDERS=1 keeps each run's folder (program copy, working folder,
// the stand-in's log) in Wine's temporary folder for a look after a failure.
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "groups.h"
#include "text.h"

namespace {

using wine_test::Context;

const std::map<std::wstring, bool (*)(Context&)>& groups() {
  static const std::map<std::wstring, bool (*)(Context&)> all{
      {L"startup", wine_test::runStartup},
      {L"hid", wine_test::runHidLink},
      {L"start-failures", wine_test::runStartFailures},
      {L"pictures", wine_test::runPictures},
      {L"bitness", wine_test::runBitness},
      {L"stages", wine_test::runStages},
      {L"scheduler", wine_test::runScheduler},
      {L"screenshot", wine_test::runScreenshotHold},
      {L"screenshot-dialog", wine_test::runScreenshotDialogHold},
      {L"storm", wine_test::runStorm},
      {L"geometry", wine_test::runGeometry},
      {L"unattended", wine_test::runUnattended},
      {L"repeat", wine_test::runRepeat},
      {L"journal", wine_test::runJournal},
      {L"package", wine_test::runPackage},
      {L"web", wine_test::runWeb},
      {L"extra", wine_test::runExtra},
  };
  return all;
}

int usage() {
  std::fprintf(stderr, "usage: dorvan_wine_driver GROUP --exe PATH --dll PATH [--ready F --done F]\n");
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return usage();
  const auto group = groups().find(argv[1]);
  if (group == groups().end()) return usage();
  wine_test::Report report;
  Context ctx{report, {}, {}, {}};
  for (int i = 2; i + 1 < argc; i += 2) {
    const std::wstring key = argv[i];
    const std::wstring value = wine_test::windowsPath(argv[i + 1]);
    if (key == L"--exe")
      ctx.paths.exe = value;
    else if (key == L"--dll")
      ctx.paths.standin = value;
    else if (key == L"--ready")
      ctx.readyFile = value;
    else if (key == L"--done")
      ctx.doneFile = value;
    else
      return usage();
  }
  if (ctx.paths.exe.empty() || ctx.paths.standin.empty()) return usage();
  bool ran = false;
  try {
    ran = group->second(ctx);
  } catch (const wine_test::Abort& a) {
    report.groupAborted(wine_test::narrow(argv[1]), a.why);
    ran = true;
  }
  if (!ran) {
    report.printSummary();
    return 77;
  }
  report.printSummary();
  return report.failed() == 0 && report.passed() > 0 ? 0 : 1;
}
