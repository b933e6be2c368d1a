#pragma once

class AppInfo;
class CredentialStore;
class DirUtil;
class FileObjectDao;
class FileSafeDao;
class FilesafeRI;
class LoginController;
class MultiSyncher;
class OndoSession;
class ServerList;
class SyncHistoryDao;
class SyncSettingsDao;
class WifiController;

// The long-lived objects of the client that the window and its views work
// with; the application object owns them.
struct DesktopParts
{
    AppInfo *appInfo = nullptr;
    OndoSession *session = nullptr;
    ServerList *servers = nullptr;
    CredentialStore *credentials = nullptr;
    LoginController *loginController = nullptr;
    FilesafeRI *filesafeRI = nullptr;
    FileSafeDao *fileSafes = nullptr;
    SyncSettingsDao *settings = nullptr;
    FileObjectDao *fileObjects = nullptr;
    SyncHistoryDao *history = nullptr;
    MultiSyncher *scheduler = nullptr;
    DirUtil *dirUtil = nullptr;
    WifiController *wifi = nullptr;
};
