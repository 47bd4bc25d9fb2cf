// The message ids and texts this library reports through the callback.
#pragma once

#include <cstdint>

namespace zipdll {

constexpr int32_t kMsgNoArchive = 10102;
constexpr int32_t kMsgArchiveUnreadable = 10185;
constexpr int32_t kMsgNoFiles = 10301;
constexpr int32_t kMsgNoPassword = 10302;
constexpr int32_t kMsgCreateFailed = 11009;
constexpr int32_t kMsgWriteError = 11010;
constexpr int32_t kMsgReadZipped = 11021;

// The text for an id; empty for an unknown one.
const char* MessageText(int32_t code);

}  // namespace zipdll
