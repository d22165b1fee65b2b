#pragma once

struct DownloadItem;

// After a completed download of a web page (type "htm" or "html", any letter case): inserts
// "<Base href='<address>'>" right before the first "</head>" (any letter case) of the row's file, so that the saved
// page's relative links resolve against the page's own address. Files of other types, missing files and pages
// without a closing head tag are left untouched. Returns true when the file was rewritten.
//
// The insertion works on the file's bytes: "</" can never be the trail byte of a double-byte GBK character, so the
// position found is the same as in the decoded text, and a page in any other encoding (UTF-8) keeps every byte.
bool InsertBaseTag(const DownloadItem &row);
