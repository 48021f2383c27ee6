// FetchLogIds.h - the control ids of the HTTP fetch group (1300-1399) and the log group
// (1400-1499), shared by their templates (fetchlog.rc) and their code. Plain macros: the
// resource compiler reads this file.
#pragma once

#define IDC_FETCH_BOX 1300
#define IDC_FETCH_URL_LABEL 1301
#define IDC_FETCH_URL 1302
#define IDC_FETCH_TIMEOUT_LABEL 1303
#define IDC_FETCH_TIMEOUT 1304
#define IDC_FETCH_BUSY 1305
#define IDC_FETCH_BUTTON 1306
#define IDC_FETCH_BODY 1307
#define IDC_FETCH_MESSAGE 1308

#define IDC_LOG_BOX 1400
#define IDC_LOG_FOLDER_LABEL 1401
#define IDC_LOG_FOLDER 1402
#define IDC_LOG_BROWSE 1403
#define IDC_LOG_FILE_LABEL 1404
#define IDC_LOG_FILE 1405
#define IDC_LOG_LEVEL_LABEL 1406
#define IDC_LOG_LEVEL 1407
#define IDC_LOG_MAX_SIZE_LABEL 1408
#define IDC_LOG_MAX_SIZE 1409
#define IDC_LOG_OPEN 1410
#define IDC_LOG_CLOSE 1411
#define IDC_LOG_MESSAGE 1412
#define IDC_LOG_LINES 1413
