#pragma once

#include <QString>

// What a failed row shows as its reason, so the user (and the batch's report) learns why no file came.

// A transport failure, as the transfer control numbers it (its responseCode): refused, name not resolved, timed
// out, broken off, secure channel; any other is "无法下载". `atProxy`: the proxy server failed, and the text says so.
QString NetworkFailureText(int responseCode, bool atProxy = false);
// A body that could not be written: "磁盘已满" for a full disk or quota, otherwise "写入文件出错" with the
// system's reason when there is one (`systemError`: an errno value, 0 when unknown).
QString WriteFailureText(int systemError);
