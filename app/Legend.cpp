#include "app/Legend.h"

#include "app/FunctionKeys.h"
#include "base/Text.h"

namespace quill {
namespace {

std::vector<std::string> PageLines(const std::string& legend) {
  std::vector<std::string> lines = Split(legend, '\n');
  for (std::string& line : lines)
    if (!line.empty() && line.back() == '\r') line.pop_back();
  lines.resize(kFunctionButtonCount);
  return lines;
}

}  // namespace

TLegend::TLegend(std::string altLegend, std::string ctrlLegend)
    : pages_{PageLines(altLegend), PageLines(ctrlLegend)} {}

void TLegend::SetLabels(std::vector<std::string> labels) { labels_ = std::move(labels); }

int TLegend::State() const { return state_; }

const std::vector<std::string>& TLegend::Lines() const { return state_ == 0 ? labels_ : pages_[state_ - 1]; }

bool TLegend::Show(int state) {
  if (state_ == state) return false;
  state_ = state;
  return true;
}

bool TLegend::AltAlone() { return Show(1); }

bool TLegend::CtrlAlone() { return Show(2); }

bool TLegend::OtherShortcut() { return Show(0); }

bool TLegend::ModifierReleased() { return Show(0); }

TLegend::TClick TLegend::Click(int button) {
  const int state = state_;
  state_ = 0;
  if (button < 0 || button >= kFunctionButtonCount) return {true, icNone};
  if (state == 0) return {false, button};
  return {true, state * kFunctionButtonCount - kFunctionButtonCount + button};
}

std::vector<std::string> FunctionKeyLabels(const std::function<std::string(const std::string&)>& read) {
  std::vector<std::string> labels;
  for (int n = 2; n <= 8; ++n) {
    const std::string key = "F" + std::to_string(n);
    labels.push_back(key + "=" + FunctionKeyLabel(read ? read(key) : std::string()));
  }
  return labels;
}

}  // namespace quill
