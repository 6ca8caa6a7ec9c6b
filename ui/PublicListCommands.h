// The window's public-list buttons: "自分の公開フォルダ" edits the folders this PC
// publishes, "相手の公開リスト" asks the peer in the peer box for its public list (the
// pick dialog follows when it arrives), "未完ﾁｪｯｸ" checks which picked files have not
// arrived yet (the unfinished ".tmp" files of the receive folder).
//
// Threads: window thread only; each pumps while it waits, like the other buttons.
#pragma once

namespace qv {

class Program;

void editPublicFolders(Program& program);
void requestPublicList(Program& program);
void checkIncomplete(Program& program);

// requestPublicList with its client result code (peer/protocol/ClientError.h); -1 when
// the peer box is empty and nothing was sent.
int sendPublicListRequest(Program& program);

}  // namespace qv
