// The update check of start-up and the Help command, through the real start-up and menu handlers.
#include <tuple>

#include "fixture.h"
#include "online/update_check.h"

namespace {

using Version = std::array<int, 3>;

const std::string kLocal = "C:\\Users\\Lumora\\AppData\\Local\\Temp\\lumoversiontmp.txt";
const std::string kOffer =
    "Lumora - New Version: There is a new version of the program available. Would you like to download the "
    "latest version? (68)";
const std::string kVersionFile = std::string(kServerAddress) + "/versionfiles/lumo_version.html";
const std::string kDownloadPage = std::string(kServerAddress) + "/download_file.php?file=lumora.exe";

class OnlineTest : public LumoraTest {
 protected:
  // Starts the program afresh as release `version`, the server answering with `body`.
  Form1& StartWith(std::optional<std::string> body, Version version = {1, 0, 0}) {
    if (form) form->Unload();
    sys.msgBoxes.clear();
    sys.shellCalls.clear();
    sys.downloads.clear();
    sys.transfers = {{std::move(body), 30}};
    app = std::make_unique<tk::App>(sys);
    std::tie(app->Major, app->Minor, app->Revision) = std::tuple(version[0], version[1], version[2]);
    form = std::make_unique<Form1>(*app);
    form->Load();
    return *form;
  }
};

TEST_F(OnlineTest, OnlyAFirstLineOfOneToNineDigitsAboveTheRunningVersionMakesAnOffer) {
  struct Case {
    const char* what;
    std::optional<std::string> body;
    Version version;
    bool offer;
  };
  for (const Case& c : std::vector<Case>{
           {"newer", "101", {1, 0, 0}, true},
           {"the same", "100", {1, 0, 0}, false},
           {"older", "99", {1, 0, 0}, false},
           {"joined, not part by part: 1.10.0 is 1100", "200", {1, 10, 0}, false},
           {"joined: above 1100", "1101", {1, 10, 0}, true},
           {"digits then letters", "101abc", {1, 0, 0}, false},
           {"signed", "+101", {1, 0, 0}, false},
           {"ten digits", "1000000000", {1, 0, 0}, false},
           {"a CRLF line, more after it", "101\r\nhttps://elsewhere.example/x.exe\r\n", {1, 0, 0}, true},
           {"no file at all", std::nullopt, {1, 0, 0}, false},
       }) {
    SCOPED_TRACE(c.what);
    sys.msgBoxAnswers = {tk::kIdNo};
    StartWith(c.body, c.version);
    ASSERT_EQ(sys.downloads.size(), 1u);
    const auto& download = sys.downloads[0];
    EXPECT_EQ(std::tie(download.url, download.path, download.timeoutMs),
              std::tuple(kVersionFile, kLocal, 5000u))
        << "start-up waits five seconds for the server at most";
    EXPECT_EQ(Boxes(), c.offer ? Strings{kOffer} : Strings{});
    EXPECT_TRUE(sys.shellCalls.empty()) << "No opens nothing";
    EXPECT_EQ(sys.files.count(kLocal), 0u) << "the answer is deleted once read";
    EXPECT_TRUE(sys.trayIcon) << "start-up went on";
  }
}

TEST_F(OnlineTest, YesOpensTheFixedDownloadPageAndOnlyResult31IsReported) {
  for (auto [result, error] : {std::tuple{42, false}, {31, true}, {2, false}}) {
    sys.shellResults = {result};
    Form1& f = StartWith("101\nhttps://elsewhere.example/x.exe\n");
    ASSERT_EQ(sys.shellCalls.size(), 1u);
    const auto& call = sys.shellCalls[0];
    EXPECT_EQ(std::tie(call.owner, call.verb, call.file, call.parameters, call.directory, call.show),
              std::tuple(f.hWnd(), "open", kDownloadPage, "", "", 10));
    EXPECT_EQ(Boxes(), (error ? Strings{kOffer, "Error: Error opening Web browser. (48)"} : Strings{kOffer}));
  }
}

TEST_F(OnlineTest, ALeftoverAnswerIsNeverReadAndAMissingPlaceMeansNoCheck) {
  sys.files[kLocal] = "999";  // left by an earlier start
  StartWith(std::nullopt);    // and the download fails
  EXPECT_TRUE(sys.msgBoxes.empty() && !sys.files.count(kLocal));

  sys.files[kLocal] = "999";
  sys.lockedFiles = {kLocal};
  StartWith("101");
  EXPECT_TRUE(sys.downloads.empty() && sys.msgBoxes.empty()) << "a leftover that stays ends the check";

  sys.tempPath.clear();
  StartWith("101");
  EXPECT_TRUE(sys.downloads.empty() && sys.msgBoxes.empty() && sys.trayIcon);

  sys.otherInstanceRunning = true;
  sys.tempPath = "C:\\Temp\\";
  StartWith("101");
  EXPECT_TRUE(sys.downloads.empty()) << "a second start asks the server nothing";
}

// Help from the banner's link, and the box that names a help file that is not there.
TEST_F(OnlineTest, HelpOpensLumoChmBesideTheProgramAtItsContentsOrNamesTheMissingFile) {
  const std::string path = "C:\\Program Files\\Lumora\\lumo.chm";
  sys.files = {{path, "ITSF"}};
  Form1& f = StartSession();
  f.lblhlp.UserClick();
  ASSERT_EQ(sys.helpCalls.size(), 1u);
  const auto& call = sys.helpCalls[0];
  EXPECT_EQ(std::tie(call.owner, call.file, call.command, call.data), std::tuple(f.hWnd(), path, 1u, 0u));
  EXPECT_TRUE(sys.msgBoxes.empty() && f.Visible()) << "the session goes on";
  sys.files.clear();
  f.mnupophlp_Click();
  EXPECT_EQ(Boxes(), Strings{"Help Unavailable: The help file \"" + path + "\" could not be opened. (48)"});
}

}  // namespace
