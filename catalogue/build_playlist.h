#pragma once

#include <string_view>
#include <vector>

#include "catalogue/catalogue_request.h"
#include "catalogue/date_time.h"
#include "catalogue/playlist_row.h"

namespace cq {

// The loading worker's whole non-window work: fetches the morning list, the network
// time and the evening list, and returns the rows to append to the playlist, newest
// first, alternating between the editions. Blocks for the network round trips; an
// empty result means nothing could be loaded.
std::vector<PlaylistRow> FetchPlaylistRows();
// The same against other servers (a test's); timeUrl is the clock's server.
std::vector<PlaylistRow> FetchPlaylistRows(const FmOrigins& origins, std::string_view timeUrl);

// The assembly on its own: the two episode-list responses (GBK JSON text, as
// FetchEpisodeList returns them) and today's UTC+8 time give the rows in order.
// Episodes dated after today, and today's before 05:00, are left out.
std::vector<PlaylistRow> AssemblePlaylist(std::string_view morningText,
                                          std::string_view eveningText, const DateTime& now);

}  // namespace cq
