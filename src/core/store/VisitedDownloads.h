#pragma once

#include <QString>

// Which result address stands behind a document handed to the download list, for this run only. The address is
// recorded as visited when its page is analysed; a download that then fails takes it out again, so the skip rule
// never passes over a paper that was never saved, and a later success (a re-download) puts it back.

// `visitedAddress` was newly recorded for the document at `downloadAddress`.
void LinkVisitedToDownload(const QString &downloadAddress, const QString &visitedAddress);
// The download of `downloadAddress` ended: saved or failed. Nothing happens for a document not linked this run.
void SettleVisitedDownload(const QString &downloadAddress, bool saved);
// Forgets every link; closing the database does this.
void ClearVisitedDownloadLinks();
