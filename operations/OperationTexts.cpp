#include "operations/OperationTexts.h"

#include "base/Text.h"
#include "fileview/FileViewLayout.h"
#include "operations/Progress.h"

namespace quill {

std::string RemainingText(int64_t remainSeconds) {
  if (remainSeconds <= 2) return {};
  if (remainSeconds >= 60) {
    const int64_t minutes = remainSeconds / 60 + (remainSeconds % 60 > 30 ? 1 : 0);
    return Format("%lld Minutes Remaining", static_cast<long long>(minutes));
  }
  return Format("%d Seconds Remaining", static_cast<int>(remainSeconds));
}

std::optional<int64_t> TRemainingEstimate::Tick(uint64_t progress, uint64_t maximum) {
  ++ticks_;
  const uint64_t rate = progress / ticks_;
  if (rate == 0) return std::nullopt;
  const uint64_t rest = maximum > progress ? maximum - progress : 0;
  const uint64_t seconds = rest / rate * kRemainingTickSeconds;
  return static_cast<int64_t>(seconds > uint64_t{INT64_MAX} ? uint64_t{INT64_MAX} : seconds);
}

std::string CountText(int current, int total) { return Format("%d/%d", current, total); }

std::string PathText(std::string_view source, std::string_view target) {
  return "From '" + std::string(source) + "'  To '" + std::string(target) + "'";
}

std::string InfoLine(uint64_t size, std::string_view date, std::string_view time) {
  return GroupThousands(size) + " bytes ( " + std::string(date) + ", " + std::string(time) + " )";
}

std::string AllCaption(std::string_view all) { return std::string(all) + "(&A)"; }

namespace {

// UTF-16 units of UTF-8 text: one per sequence, two for those beyond the basic plane.
size_t Utf16Length(std::string_view text) {
  size_t units = 0;
  for (unsigned char c : text) {
    if ((c & 0xC0) != 0x80) ++units;
    if (c >= 0xF0) ++units;
  }
  return units;
}

}  // namespace

bool IsAcceptedNewName(std::string_view name) {
  if (name.empty() || Utf16Length(name) > 254) return false;
  return name.find_first_of(":>*?|\"") == std::string_view::npos;
}

std::string RenamedPath(std::string_view target, std::string_view name) {
  const size_t cut = target.find_last_of("\\:");
  const std::string_view folder = cut == std::string_view::npos ? std::string_view() : target.substr(0, cut + 1);
  return std::string(folder) + std::string(name);
}

uint32_t FileExistsAnswer(int modalResult, bool all) {
  uint32_t flags = 0;
  switch (modalResult) {
    case 2: flags = feCancel; break;
    case 4: return feRenamed;
    case 6: flags = feOverwrite; break;
    case 7: flags = feSkip; break;
    default: return 0;
  }
  return all ? flags | feAll : flags;
}

int GaugeBlocks(int width, int height) {
  if (height <= 5 || width <= 6) return 0;
  return (width - 6) / (height - 5);
}

uint32_t ScaledProgress(uint64_t progress, uint64_t maximum, uint32_t steps) {
  if (maximum == 0 || steps == 0) return 0;
  if (progress >= maximum) return steps;
  // The largest k with k * maximum <= progress * steps. With maximum = q * steps + r,
  // k * maximum / steps = k * q + k * r / steps, and k * r stays below steps squared, so no
  // product leaves 64 bits on the way.
  const uint64_t q = maximum / steps, r = maximum % steps;
  auto fits = [&](uint64_t k) {
    const uint64_t whole = k * q + k * r / steps;
    return whole < progress || (whole == progress && k * r % steps == 0);
  };
  uint64_t low = 0, high = steps;  // fits(low) holds, fits(steps) does not (progress < maximum)
  while (high - low > 1) {
    const uint64_t mid = low + (high - low) / 2;
    (fits(mid) ? low : high) = mid;
  }
  return static_cast<uint32_t>(low);
}

bool GaugeNeedsRepaint(uint64_t oldProgress, uint64_t newProgress, uint64_t maximum, uint32_t blocks) {
  return ScaledProgress(oldProgress, maximum, blocks) != ScaledProgress(newProgress, maximum, blocks);
}

bool TUpdateThrottle::Due(uint64_t nowMs) {
  if (started_ && nowMs - lastMs_ < intervalMs_) return false;
  started_ = true;
  lastMs_ = nowMs;
  return true;
}

}  // namespace quill
