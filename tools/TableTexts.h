// The table's verdict and format cells in the person's language: the texts
// as written (Japanese) for a Japanese locale, English for any other. The
// JSON records keep the Japanese texts, beside language-free codes.
#pragma once

// text is one of the marker walk's verdict or process texts; any other
// text is given back unchanged. Decided once from the environment.
const char* TableText(const char* text);
