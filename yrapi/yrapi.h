// yrapi.h - the umbrella header: the whole public interface of the YRAPI support library.
// For users of the library; the library's own files include only what they use.
#pragma once

#include <yrapi/ProcessObjects.h>
#include <yrapi/log/LogInterface.h>
#include <yrapi/log/PtArray.h>
#include <yrapi/log/Queue.h>
#include <yrapi/log/TraceThread.h>
#include <yrapi/net/HttpAsync.h>
#include <yrapi/net/SocketStartup.h>
#include <yrapi/platform/ErrorText.h>
#include <yrapi/platform/File.h>
#include <yrapi/platform/KernelMutex.h>
#include <yrapi/platform/Semaphore.h>
#include <yrapi/platform/Testing.h>
#include <yrapi/platform/Thread.h>
#include <yrapi/platform/Time.h>
#include <yrapi/platform/Types.h>
#include <yrapi/text/ConfigFileThread.h>
#include <yrapi/text/TextHelpers.h>
#include <yrapi/text/TxtParam.h>
#include <yrapi/threads/BaseThread.h>
#include <yrapi/threads/Mutex.h>
#include <yrapi/threads/Timer.h>
