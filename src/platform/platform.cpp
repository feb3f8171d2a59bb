#include "platform/platform.h"

#include <string.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>
#include <unistd.h>
#endif

#ifdef _WIN32

void GetLocalTimeMs(PRExplodedTime *now)
{
    SYSTEMTIME st;

    memset(now, 0, sizeof *now);
    GetLocalTime(&st);
    now->tm_year = (PRInt16)st.wYear;
    now->tm_month = st.wMonth - 1;
    now->tm_mday = st.wDay;
    now->tm_hour = st.wHour;
    now->tm_min = st.wMinute;
    now->tm_sec = st.wSecond;
    now->tm_usec = st.wMilliseconds * 1000;
}

PRInt32 GetThreadId(void)
{
    return (PRInt32)GetCurrentThreadId();
}

#else

void GetLocalTimeMs(PRExplodedTime *now)
{
    struct timespec ts;
    struct tm local;

    memset(now, 0, sizeof *now);
    // Without a clock there is no honest time to show; the line keeps zeros.
    if (clock_gettime(CLOCK_REALTIME, &ts) != 0 ||
        localtime_r(&ts.tv_sec, &local) == NULL)
        return;
    now->tm_year = (PRInt16)(local.tm_year + 1900);
    now->tm_month = local.tm_mon;
    now->tm_mday = local.tm_mday;
    now->tm_hour = local.tm_hour;
    now->tm_min = local.tm_min;
    now->tm_sec = local.tm_sec;
    now->tm_usec = (PRInt32)(ts.tv_nsec / 1000000) * 1000;
}

PRInt32 GetThreadId(void)
{
    return (PRInt32)gettid();
}

#endif
