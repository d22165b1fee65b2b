#pragma once

// Settings the embedded browser needs before the application object exists: Chromium refuses to start its
// sandbox as root, so the browser then runs without it; its contexts share OpenGL resources as Qt WebEngine asks.
// The browser's start-up report stays off stderr (QT_LOGGING_RULES can bring it back). A message handler installed
// after this call replaces the one installed here.
void PrepareWebEngineEnvironment();
