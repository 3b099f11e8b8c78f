// PageStart.h - how a page begins, read as a browser reads it: the byte-order
// mark, the document-type declaration with what a browser lets stand before
// it (white space, comments, processing instructions), and the character set
// that a <meta> tag declares within the bytes a browser prescans for one.
// Text put in front of a page goes after the first two, or the page falls
// into quirks mode and shows the text's bytes before its own mark.
// Only a bounded prefix of the page is read, whatever its length.
// Deliberately not: an HTML parser, or a table of the encodings' names.
#pragma once

#include <cstddef>

#include "Strings.h"

// A browser looks for a <meta> character set only in the first bytes of a
// page; one further on does not count.
const size_t kCharsetScanBytes = 1024;
// How far the declarations before the document type are followed; a page
// whose document type comes later is taken to have none.
const size_t kPrologueScanBytes = 64 * 1024;

struct CPageStart {
    bool byteOrderMark = false;  // a UTF-8 mark opens the page: it sets the encoding
    size_t contentStart = 0;     // after the mark and the document type, when there is one
    CString metaCharset;         // the <meta> tag's label, as a header may carry it; empty: none
    size_t metaEnd = 0;          // just after that tag
};

// text: the page, lower-cased.
CPageStart ReadPageStart(const char* text, size_t length);

// The label of a "charset=" in a Content-Type value or a <meta> content
// attribute (text lower-cased), or empty.
CString ExtractCharset(const char* text, size_t length);
