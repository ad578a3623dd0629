#include "platform/net/WinsockError.h"

#include <netdb.h>

#include <cerrno>

namespace ovix::platform {

int WinsockErrorFromErrno(int err) {
    switch (err) {
        case 0:
            return kWsaNoError;
        case EINTR:
            return kWsaEINTR;
        case EBADF:
            return kWsaEBADF;
        case EACCES:
        case EPERM:
            return kWsaEACCES;
        case EFAULT:
            return kWsaEFAULT;
        case EINVAL:
            return kWsaEINVAL;
        case EMFILE:
        case ENFILE:
            return kWsaEMFILE;
#if EAGAIN != EWOULDBLOCK
        case EAGAIN:
#endif
        case EWOULDBLOCK:
            return kWsaEWOULDBLOCK;
        case EINPROGRESS:
            return kWsaEINPROGRESS;
        case EALREADY:
            return kWsaEALREADY;
        case ENOTSOCK:
            return kWsaENOTSOCK;
        case EDESTADDRREQ:
            return kWsaEDESTADDRREQ;
        case EMSGSIZE:
            return kWsaEMSGSIZE;
        case EPROTOTYPE:
            return kWsaEPROTOTYPE;
        case ENOPROTOOPT:
            return kWsaENOPROTOOPT;
        case EPROTONOSUPPORT:
            return kWsaEPROTONOSUPPORT;
        case EOPNOTSUPP:
            return kWsaEOPNOTSUPP;
        case EAFNOSUPPORT:
            return kWsaEAFNOSUPPORT;
        case EADDRINUSE:
            return kWsaEADDRINUSE;
        case EADDRNOTAVAIL:
            return kWsaEADDRNOTAVAIL;
        case ENETDOWN:
            return kWsaENETDOWN;
        case ENETUNREACH:
            return kWsaENETUNREACH;
        case ENETRESET:
            return kWsaENETRESET;
        case ECONNABORTED:
            return kWsaECONNABORTED;
        case ECONNRESET:
        case EPIPE:
            return kWsaECONNRESET;
        case ENOBUFS:
        case ENOMEM:
            return kWsaENOBUFS;
        case EISCONN:
            return kWsaEISCONN;
        case ENOTCONN:
            return kWsaENOTCONN;
        case ESHUTDOWN:
            return kWsaESHUTDOWN;
        case ETIMEDOUT:
            return kWsaETIMEDOUT;
        case ECONNREFUSED:
            return kWsaECONNREFUSED;
        case EHOSTDOWN:
            return kWsaEHOSTDOWN;
        case EHOSTUNREACH:
            return kWsaEHOSTUNREACH;
        default:
            return kWsaEINVAL;
    }
}

int WinsockErrorFromResolver(int gaiError) {
    switch (gaiError) {
        case 0:
            return kWsaNoError;
        case EAI_AGAIN:
            return kWsaTRY_AGAIN;
        case EAI_FAIL:
            return kWsaNO_RECOVERY;
#ifdef EAI_NODATA
        case EAI_NODATA:
            return kWsaNO_DATA;
#endif
        case EAI_NONAME:
        default:
            return kWsaHOST_NOT_FOUND;
    }
}

bool IsConnectionError(int wsaError) {
    switch (wsaError) {
        case kWsaENOTSOCK:
        case kWsaENETDOWN:
        case kWsaENETRESET:
        case kWsaECONNABORTED:
        case kWsaECONNRESET:
        case kWsaENOTCONN:
        case kWsaESHUTDOWN:
            return true;
        default:
            return false;
    }
}

}  // namespace ovix::platform
