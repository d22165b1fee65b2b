#pragma once

class DownloadContext;
struct DownloadItem;

// The sounds at the end of a transfer, when sounds are on: 101 after a web page (type htm or html), 103 after a
// failed row; both can play.
void PlayTransferEndSounds(DownloadContext &context, const DownloadItem &row);
