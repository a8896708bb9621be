#pragma once
// What the socket layer's files share.
#include "net/nx.h"

namespace nx {

// Takes the first free packet of the pool (nullptr when none) and updates the free scan.
Packet* TakePacket(PacketPool* pool);
// Gives back a packet a receive found no data for (the free scan as before).
void ReturnPacket(PacketPool* pool, Packet* p);

// A new non-blocking descriptor (SOCK_STREAM or SOCK_DGRAM) with the layer's options,
// bound to the instance's interface; -1 when any step failed (nothing left open).
int OpenDescriptor(const IpInstance* ip, int type);
// Binds a descriptor to any address and the board port (plus the port offset).
bool BindPort(int fd, uint16_t port);
void CloseDescriptor(int& fd);
// The host interface of an instance.
const char* HostInterface(const IpInstance* ip);

// The poll table: the first empty slot takes the record (false when the table is full);
// Remove empties every slot holding it.
bool HasFreeSlot();
bool Enter(TcpSocket* socket);
void Remove(TcpSocket* socket);
// Forgets a module's request for the next pass (power-on).
void ForgetPassDue();

// Maximum segment size of a connected descriptor (1536 when it cannot be read).
uint32_t ReadMss(int fd);
// Drops a send's kept remainder.
void DropUnsent(TcpSocket* socket);

}  // namespace nx
