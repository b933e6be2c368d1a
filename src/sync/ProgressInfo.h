#pragma once

#include <QMetaType>
#include <QString>

// One progress report of a sync run, for the status bar, the tray and
// korvexcmd's progress line.
struct ProgressInfo
{
    enum Step {
        GetFilesafeInfo = 10,
        ReceivedRemoteInfo = 12,
        LoadStatus = 20,
        Synchronizing = 40,
        Action = 41,
        UpToDate = 42,
        AnalysisFailed = 91,
    };

    int step = 0;
    QString text;
    // The current action, when there is one.
    QString safeName;
    QString path;
    QString name;
    int actionType = -1;
    // Counters of the setting's run.
    int total = 0;
    int done = 0;
    int failed = 0;
    // The current transfer.
    qint64 bytesDone = 0;
    qint64 bytesTotal = 0;
};
Q_DECLARE_METATYPE(ProgressInfo)
