#pragma once

class DownloadContext;
struct DownloadItem;

// A row that ended as a web page (type "htm" or "html") while automatic login is checked: the site wants a
// logged-in visitor, so the login panel logs in again, without messages. The row is not queued again; automatic
// re-download does that when it is on.
void RunAutoLoginAfterPage(DownloadContext &context, const DownloadItem &row);
