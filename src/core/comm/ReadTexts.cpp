#include "ReadTexts.h"

#include "lang/StringIds.h"

int ReadProblemTextId(ReadProblem problem)
{
    switch (problem) {
    case ReadProblem::None:
        return 0;
    case ReadProblem::Busy:
        return StrId::ReadBusy;
    case ReadProblem::BaudRefused:
        return StrId::ReadBaudRefused;
    case ReadProblem::PortUnavailable:
        return StrId::ReadPortUnavailable;
    case ReadProblem::BadAddress:
        return StrId::ReadBadAddress;
    case ReadProblem::ConnectFailed:
        return StrId::ReadConnectFailed;
    case ReadProblem::ConnectionClosed:
        return StrId::ReadConnectionClosed;
    case ReadProblem::NoAnswer:
        return StrId::ReadNoAnswer;
    case ReadProblem::DeviceException:
        return StrId::ReadDeviceException;
    case ReadProblem::ReplyMismatch:
        return StrId::ReadReplyMismatch;
    case ReadProblem::BadTcpHeader:
        return StrId::ReadBadTcpHeader;
    case ReadProblem::Cancelled:
        return StrId::ReadCancelled;
    case ReadProblem::RegisterFileMissing:
        return StrId::RegisterFileMissing;
    case ReadProblem::RegisterFileSize:
        return StrId::RegisterFileWrongSize;
    case ReadProblem::NoSuchChannelType:
        return StrId::ReadNoSuchChannelType;
    case ReadProblem::UnaskedReplies:
        return StrId::ReadUnaskedReplies;
    case ReadProblem::LineBusy:
        return StrId::ReadLineBusy;
    case ReadProblem::Overtime:
        return StrId::ReadOvertime;
    case ReadProblem::BlockRefused:
        return StrId::ReadBlockRefused;
    case ReadProblem::RepeatedTransaction:
        return StrId::ReadRepeatedTransaction;
    }
    return 0;
}
