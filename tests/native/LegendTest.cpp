// The status bar's function-key labels and its Alt and Ctrl legends.
#include "app/Legend.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/FunctionKeys.h"

namespace quill {
namespace {

const std::string kAlt = "C=Copy\nM=Move\nD=Delete\nR=Rename\nK=NewFolder\nU=SelectAll\nV=TextView";
const std::string kCtrl = "Z=Attr/Time\nA=Add (Archive)\nX=Extract\nD=Desktop\nW=MyDocuments\nL=FindNext";
const std::vector<std::string> kAltLines = {"C=Copy", "M=Move", "D=Delete", "R=Rename", "K=NewFolder", "U=SelectAll",
                                            "V=TextView"};
const std::vector<std::string> kCtrlLines = {"Z=Attr/Time", "A=Add (Archive)", "X=Extract", "D=Desktop",
                                             "W=MyDocuments", "L=FindNext", ""};

std::vector<std::string> Labels(const std::map<std::string, std::string>& section) {
  return FunctionKeyLabels([&](const std::string& key) {
    const auto it = section.find(key);
    return it == section.end() ? std::string() : it->second;
  });
}

TEST(LegendTest, LabelsFromTheFunctionSection) {
  EXPECT_EQ(Labels({}), (std::vector<std::string>{"F2=", "F3=", "F4=", "F5=", "F6=", "F7=", "F8="}));
  EXPECT_EQ(Labels({{"F3", "[Name]#textedit"}, {"F8", "\"C:\\a b\\ed.exe\" !.!"}, {"^F1", "#copy"}}),
            (std::vector<std::string>{"F2=", "F3=Name", "F4=", "F5=", "F6=", "F7=", "F8=ed"}));
  EXPECT_EQ(FunctionKeyLabels(nullptr).front(), "F2=");
}

TEST(LegendTest, ModifiersSwitchPages) {
  TLegend legend(kAlt, kCtrl);
  const std::vector<std::string> labels = Labels({{"F2", "#rename"}});
  legend.SetLabels(labels);
  EXPECT_EQ(legend.State(), 0);
  EXPECT_EQ(legend.Lines(), labels);
  EXPECT_FALSE(legend.ModifierReleased());
  EXPECT_FALSE(legend.OtherShortcut());

  // Alt pressed and released in the pane.
  EXPECT_TRUE(legend.AltAlone());
  EXPECT_EQ(legend.State(), 1);
  EXPECT_EQ(legend.Lines(), kAltLines);
  EXPECT_FALSE(legend.AltAlone());
  EXPECT_TRUE(legend.ModifierReleased());
  EXPECT_EQ(legend.State(), 0);
  EXPECT_EQ(legend.Lines(), labels);

  // The Ctrl page names six commands and keeps the seventh button.
  EXPECT_TRUE(legend.CtrlAlone());
  EXPECT_EQ(legend.Lines(), kCtrlLines);
  EXPECT_FALSE(legend.CtrlAlone());
  EXPECT_TRUE(legend.AltAlone());
  EXPECT_EQ(legend.Lines(), kAltLines);
  EXPECT_TRUE(legend.OtherShortcut());
  EXPECT_EQ(legend.Lines(), labels);

  // New labels while a legend is shown come back with the labels.
  EXPECT_TRUE(legend.CtrlAlone());
  legend.SetLabels(Labels({}));
  EXPECT_EQ(legend.Lines(), kCtrlLines);
  EXPECT_TRUE(legend.ModifierReleased());
  EXPECT_EQ(legend.Lines(), Labels({}));

  TLegend odd("one\r\ntwo", std::string(9, '\n'));
  odd.AltAlone();
  EXPECT_EQ(odd.Lines(), (std::vector<std::string>{"one", "two", "", "", "", "", ""}));
  odd.CtrlAlone();
  EXPECT_EQ(odd.Lines(), std::vector<std::string>(kFunctionButtonCount));
}

TEST(LegendTest, ClicksRunKeysOrThePageCommands) {
  TLegend legend(kAlt, kCtrl);
  for (int i = 0; i < kFunctionButtonCount; ++i) {
    const TLegend::TClick click = legend.Click(i);
    EXPECT_FALSE(click.internal);
    EXPECT_EQ(click.index, i);
  }

  legend.AltAlone();
  TLegend::TClick click = legend.Click(0);
  EXPECT_TRUE(click.internal);
  EXPECT_EQ(click.index, icCopy);
  EXPECT_EQ(legend.State(), 0);
  legend.AltAlone();
  EXPECT_EQ(legend.Click(6).index, icTextView);

  legend.CtrlAlone();
  EXPECT_EQ(legend.Click(0).index, icAttrib);
  legend.CtrlAlone();
  click = legend.Click(6);
  EXPECT_TRUE(click.internal);
  EXPECT_EQ(InternalCommandName(static_cast<TInternalCommand>(click.index)), "textedit");
  EXPECT_EQ(legend.State(), 0);
  EXPECT_FALSE(legend.Click(6).internal);

  // A stray button runs nothing, whatever the page.
  for (int button : {-1, 7, 100}) {
    click = legend.Click(button);
    EXPECT_TRUE(click.internal);
    EXPECT_EQ(click.index, icNone);
    legend.CtrlAlone();
    EXPECT_EQ(legend.Click(button).index, icNone);
    EXPECT_EQ(legend.State(), 0);
  }
}

}  // namespace
}  // namespace quill
