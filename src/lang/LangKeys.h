// Key codes of the texts in the library's string table.
#pragma once

#define IDS_CAPTION_KEYHOLM 1       // the caption: module name and tab caption
#define IDS_OSTREL_CORPORATION 2    // the maker's name
