#pragma once

#include "text/types.h"

namespace cq {

// One row of the playlist, in the order of the list view's columns.
struct PlaylistRow {
    Text title;        // episode title, edition prefix included
    Text link;         // audio URL
    Text picture;      // cover picture URL
    Text status;       // what the status column shows: the duration text
    Text savedStatus;  // the duration text again, restored after playing

    bool operator==(const PlaylistRow&) const = default;
};

}  // namespace cq
