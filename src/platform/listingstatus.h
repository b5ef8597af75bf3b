#pragma once
// How opening a folder's listing ended.

namespace platform {

enum class ListingStatus {
    Ok,        // opened (possibly with no entries)
    Missing,   // folder does not exist: lists nothing, no failure
    Refused,   // permission, I/O error, not a directory: a failure
};

} // namespace platform
