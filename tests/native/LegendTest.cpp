// The status bar's function-key labels and its Alt and Ctrl legends.
#include "app/Legend.h"

#include <gtest/gtest.h>

#include <map>
#include <tuple>

#include "app/FunctionKeys.h"

namespace quill {
namespace {

using TLines = std::vector<std::string>;
const TLines kAlt = {"C=Copy", "M=Move", "D=Delete", "R=Rename", "K=NewFolder", "U=SelectAll", "V=TextView"};
const TLines kCtrl = {"Z=Attr/Time", "A=Add (Archive)", "X=Extract", "D=Desktop", "W=MyDocuments", "L=FindNext", ""};

TLines Labels(const std::map<std::string, std::string>& section) {
  return FunctionKeyLabels([&](const std::string& key) { return section.count(key) ? section.at(key) : ""; });
}

TEST(LegendTest, LabelsAndPages) {
  EXPECT_EQ(Labels({}), (TLines{"F2=", "F3=", "F4=", "F5=", "F6=", "F7=", "F8="}));
  const TLines labels = Labels({{"F3", "[Name]#textedit"}, {"F8", "\"C:\\a b\\ed.exe\" !.!"}, {"^F1", "#copy"}});
  EXPECT_EQ(labels, (TLines{"F2=", "F3=Name", "F4=", "F5=", "F6=", "F7=", "F8=ed"}));

  TLegend legend("C=Copy\nM=Move\nD=Delete\nR=Rename\nK=NewFolder\nU=SelectAll\nV=TextView",
                 "Z=Attr/Time\r\nA=Add (Archive)\nX=Extract\nD=Desktop\nW=MyDocuments\nL=FindNext");
  legend.SetLabels(labels);
  EXPECT_FALSE(legend.ModifierReleased());
  EXPECT_FALSE(legend.OtherShortcut());
  // Alt pressed and released in the pane; a legend shown is not rebuilt.
  EXPECT_TRUE(legend.AltAlone());
  EXPECT_EQ(legend.State(), 1);
  EXPECT_EQ(legend.Lines(), kAlt);
  EXPECT_FALSE(legend.AltAlone());
  EXPECT_TRUE(legend.ModifierReleased());
  EXPECT_EQ(legend.State(), 0);
  EXPECT_EQ(legend.Lines(), labels);
  // The Ctrl page names six commands and keeps the seventh button.
  EXPECT_TRUE(legend.CtrlAlone());
  EXPECT_EQ(legend.Lines(), kCtrl);
  EXPECT_FALSE(legend.CtrlAlone());
  EXPECT_TRUE(legend.AltAlone());
  // New labels while a legend is shown come back with the labels.
  legend.SetLabels(Labels({}));
  EXPECT_EQ(legend.Lines(), kAlt);
  EXPECT_TRUE(legend.OtherShortcut());
  EXPECT_EQ(legend.Lines(), Labels({}));

  TLegend odd("", std::string(9, '\n'));
  odd.CtrlAlone();
  EXPECT_EQ(odd.Lines(), TLines(kFunctionButtonCount));
}

TEST(LegendTest, ClicksRunKeysOrThePageCommands) {
  TLegend legend("", "");
  // Page shown, button clicked: "F" and a function key, or "#" and an internal command. A stray
  // button runs nothing on any page; every click ends on the labels.
  const std::tuple<int, int, std::string> clicks[] = {{0, 0, "F0"},  {0, 6, "F6"},  {1, 0, "#0"},  {1, 6, "#6"},
                                                      {2, 0, "#7"},  {2, 6, "#13"}, {0, -1, "#16"}, {0, 7, "#16"},
                                                      {1, -1, "#16"}, {2, 7, "#16"}};
  for (const auto& [page, button, expected] : clicks) {
    if (page == 1) legend.AltAlone();
    if (page == 2) legend.CtrlAlone();
    const TLegend::TClick click = legend.Click(button);
    EXPECT_EQ((click.internal ? "#" : "F") + std::to_string(click.index), expected) << page << " " << button;
    EXPECT_EQ(legend.State(), 0);
  }
  EXPECT_EQ(InternalCommandName(static_cast<TInternalCommand>(13)), "textedit");
}

}  // namespace
}  // namespace quill
