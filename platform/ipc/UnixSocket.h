#pragma once
// Unix-domain stream sockets for the capture link: connecting, listening, and whole-message transfers with a
// time limit. Both ends accept only a peer of their own user: frames end up in legal records, and a socket
// in a shared folder could otherwise be answered by anyone.
#include <cstddef>
#include <string>

namespace ipc {

// Where the capture server listens unless told otherwise: $VELT_CAPTURE_SOCKET, else velt-capture.sock in
// $XDG_RUNTIME_DIR when that is the user's own, else velt-capture.sock in the user's own folder
// velt-capture-<uid> of the temporary folder ($TMPDIR, else /tmp).
std::string DefaultSocketPath();

// The folder a socket path names its socket in.
std::string SocketFolder(const std::string& socketPath);
// The folder of a socket must be the user's own, and no other user may write in it: there another user
// could take the socket's name first. make: a missing folder is made with mode 0700; without it a
// missing folder passes (the server makes it). False with the reason when the folder is refused.
bool SocketFolderIsPrivate(const std::string& socketPath, bool make, std::string* error = nullptr);

// A connected socket, or -1 with the reason in error (nothing listens, the server is too busy to take
// one more, the peer is another user, ...). It never waits for a server that does not accept.
int ConnectUnix(const std::string& path, std::string* error = nullptr);
// A listening socket readable and writable by its owner only, in a private folder (SocketFolderIsPrivate,
// made when missing); a stale socket file of the user's is replaced, a live one is not (-1, "in use").
int ListenUnix(const std::string& path, std::string* error = nullptr);
// The peer of a connected socket runs as this process's user.
bool PeerIsSameUser(int fd);

// Send or receive exactly n bytes within timeoutMs (never raising SIGPIPE); false on time-out, end of
// stream or error.
bool SendAll(int fd, const void* data, size_t n, int timeoutMs);
bool RecvAll(int fd, void* data, size_t n, int timeoutMs);

} // namespace ipc
