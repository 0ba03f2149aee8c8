#include "comm/UploadText.h"

#include "text/Cp949.h"

std::string UploadWireText(const std::vector<TUploadRow>& rows) {
    std::string wire;
    std::string line;
    for (size_t r = 0; r < rows.size(); ++r) {
        line.clear();
        for (size_t c = 0; c < rows[r].size(); ++c) {
            if (c > 0)
                line += ',';
            line += rows[r][c];
        }
        // "\n\r" behind the row, then the CR LF the rows are joined and ended with.
        line += "\n\r\r\n";
        try {
            wire += Cp949::FromUtf8(line);
        } catch (const Cp949::EUnencodable& e) {
            throw e.At(std::to_string(r + 1) + "번째 줄(측점 \"" + rows[r][0] + "\")",
                       "전송하지 않았습니다.");
        }
    }
    return wire;
}

std::string ShortWriteMessage(int sent, int total) {
    return "전송이 완료되지 않았습니다: " + std::to_string(total) + " 바이트 중 " +
           std::to_string(sent) + " 바이트만 보냈습니다. 측량기가 받을 준비가 되었는지 "
           "확인하십시오.";
}

std::string CancelledMessage(int sent, int total) {
    return "전송을 취소했습니다: " + std::to_string(total) + " 바이트 중 " + std::to_string(sent) +
           " 바이트를 보냈습니다.";
}
