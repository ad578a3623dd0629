// The socket layers report Windows Sockets error numbers, so code that looks for
// "timed out" or "no buffer space" reads the same numbers everywhere. This is the one
// place where errno values are mapped to them.
#pragma once

namespace ovix::platform {

enum WinsockError : int {
    kWsaNoError = 0,
    kWsaEINTR = 10004,
    kWsaEBADF = 10009,
    kWsaEACCES = 10013,
    kWsaEFAULT = 10014,
    kWsaEINVAL = 10022,
    kWsaEMFILE = 10024,
    kWsaEWOULDBLOCK = 10035,
    kWsaEINPROGRESS = 10036,
    kWsaEALREADY = 10037,
    kWsaENOTSOCK = 10038,
    kWsaEDESTADDRREQ = 10039,
    kWsaEMSGSIZE = 10040,
    kWsaEPROTOTYPE = 10041,
    kWsaENOPROTOOPT = 10042,
    kWsaEPROTONOSUPPORT = 10043,
    kWsaEOPNOTSUPP = 10045,
    kWsaEAFNOSUPPORT = 10047,
    kWsaEADDRINUSE = 10048,
    kWsaEADDRNOTAVAIL = 10049,
    kWsaENETDOWN = 10050,
    kWsaENETUNREACH = 10051,
    kWsaENETRESET = 10052,
    kWsaECONNABORTED = 10053,
    kWsaECONNRESET = 10054,
    kWsaENOBUFS = 10055,
    kWsaEISCONN = 10056,
    kWsaENOTCONN = 10057,
    kWsaESHUTDOWN = 10058,
    kWsaETIMEDOUT = 10060,
    kWsaECONNREFUSED = 10061,
    kWsaEHOSTDOWN = 10064,
    kWsaEHOSTUNREACH = 10065,
    kWsaVERNOTSUPPORTED = 10092,
    kWsaEDISCON = 10101,  // the peer closed the connection in order, nothing left to read
    kWsaHOST_NOT_FOUND = 11001,
    kWsaTRY_AGAIN = 11002,
    kWsaNO_RECOVERY = 11003,
    kWsaNO_DATA = 11004,
};

// errno value -> Windows Sockets number (unknown values map to 10022, "invalid argument").
int WinsockErrorFromErrno(int err);

// getaddrinfo()/h_errno style failure -> 11001..11004.
int WinsockErrorFromResolver(int gaiError);

// True for the errors that mean the connection is gone: 10038, 10050, 10052, 10053,
// 10054, 10057, 10058.
bool IsConnectionError(int wsaError);

}  // namespace ovix::platform
