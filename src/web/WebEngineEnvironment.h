#pragma once

// Settings the embedded browser needs before the application object exists: Chromium refuses to start its
// sandbox as root, so the browser then runs without it; its contexts share OpenGL resources as Qt WebEngine asks.
void PrepareWebEngineEnvironment();
