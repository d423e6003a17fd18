// Default column widths for the window's font. The design widths were made
// for a smaller font than today's desktops use, which clips headers and
// sizes at the defaults; stored widths are the person's and stay as stored.
// Main thread only.
#pragma once

class TKvColumnInfos;
class TKvListView;

// Widens each column's default width (and its width, which follows the
// default until settings are read) to the design width scaled by view's
// font, and at least to the room its header caption needs in the header's
// font; the size column also fits the size of a file of 999 MB. Call before
// the settings are read.
void FitDefaultColumnWidths(TKvColumnInfos& columns, const TKvListView& view);
