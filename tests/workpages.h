#pragma once

#include "works/workrows.h"

#include <QString>

#include <random>

// A well-formed singer page: `works` works in link tags with titles, then the "more"
// button, which carries the page's last marker. About 400 characters a work.
QString singerPage(int works);

// A small page that mixes well-formed works with the odd shapes a page can take:
// markers without the quote, ids without a closing quote, repeated and empty ids, tags
// with more attributes, titles without "<", stray quotes and brackets; sometimes empty.
QString randomWorkPage(std::mt19937 &random);

// Slots as an earlier batch may have left them.
WorkSlots randomSlots(std::mt19937 &random);
