#pragma once

class QWebEngineProfile;

// The program's browser profile: cookies, storage and the on-disk HTTP cache live in the data folder
// ("browser" below it), so logins survive restarts and the cache window can list what the pages fetched.
// Created on first use, owned by the application object (it must outlive every page that uses it).
QWebEngineProfile *ProgramWebProfile();
