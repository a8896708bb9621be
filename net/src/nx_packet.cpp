// The packet pool: fixed packets of one memory block, searched in pool order.
#include <cstring>

#include "net/nx.h"

nx::PacketPool EnetPacketPoolCtrl;
alignas(8) uint8_t EnetPacketPool[nx::kPoolMemorySize];

namespace nx {

namespace {

void MarkFree(Packet* p) {
  p->state = kPacketFree;
  p->read = p->data_start;
  p->append = p->data_start;
  p->length = 0;
}

// Packets from the first free one to the end of the pool.
void UpdateFreeScan(PacketPool* pool) {
  pool->free_scan = 0;
  for (uint32_t i = 0; i < pool->total; ++i) {
    if (pool->packets[i].state == kPacketFree) {
      pool->free_scan = pool->total - i;
      return;
    }
  }
}

Packet* FirstFree(PacketPool* pool) {
  Packet* p = pool->search_start;
  for (uint32_t n = 0; p && n < pool->total; ++n, p = p->next)
    if (p->state == kPacketFree) return p;
  return nullptr;
}

}  // namespace

int _nx_packet_pool_create(PacketPool* pool, const char* name, uint32_t payload_size, void* memory, uint32_t memory_size) {
  std::memset(pool, 0, sizeof *pool);
  pool->name = name;
  pool->start = static_cast<uint8_t*>(memory);
  pool->size = memory_size;
  pool->payload_size = payload_size;
  const uint32_t stride = payload_size + kPacketHeaderSize;
  uint32_t count = stride ? memory_size / stride : 0;
  if (count > kPoolPackets) count = kPoolPackets;
  pool->total = count;
  for (uint32_t i = 0; i < count; ++i) {
    Packet* p = &pool->packets[i];
    p->data_start = pool->start + i * stride + kPacketHeaderSize;
    p->data_end = p->data_start + payload_size;
    p->next = i + 1 < count ? &pool->packets[i + 1] : nullptr;
    MarkFree(p);
  }
  pool->search_start = count ? &pool->packets[0] : nullptr;
  pool->free_scan = count;
  return kSuccess;
}

// Shared by allocation and receives.
Packet* TakePacket(PacketPool* pool) {
  Packet* p = pool ? FirstFree(pool) : nullptr;
  if (p) {
    p->state = kPacketAllocated;
    p->read = p->data_start;
    p->append = p->read;
    p->length = 0;
  }
  if (pool) UpdateFreeScan(pool);
  return p;
}

void ReturnPacket(PacketPool* pool, Packet* p) {
  _nx_packet_release(p);
  if (pool) UpdateFreeScan(pool);
}

int _nx_packet_allocate(PacketPool* pool, Packet** packet, uint32_t, uint32_t) {
  *packet = TakePacket(pool);
  return *packet ? kSuccess : kFailed;
}

int _nx_packet_release(Packet* packet) {
  if (packet) MarkFree(packet);
  return kSuccess;
}

int _nx_packet_data_append(Packet* packet, const void* source, uint32_t length, PacketPool*, uint32_t) {
  if (!packet || packet->state != kPacketAllocated) return kFailed;
  if (length > uint32_t(packet->data_end - packet->append)) return kFailed;
  if (length) std::memcpy(packet->append, source, length);
  packet->append += length;
  packet->length += length;
  return kSuccess;
}

int _nx_packet_copy(Packet* source, Packet** copy, PacketPool* pool, uint32_t wait) {
  *copy = nullptr;
  if (!source || source->state != kPacketAllocated || source->length == 0 ||
      source->length > uint32_t(source->data_end - source->read))
    return kInvalidPacket;
  Packet* p = nullptr;
  if (_nx_packet_allocate(pool, &p, 0, wait) != kSuccess) return kFailed;
  _nx_packet_data_append(p, source->read, source->length, pool, wait);
  if (p->length != source->length) {
    _nx_packet_release(p);
    return kInvalidPacket;
  }
  *copy = p;
  return kSuccess;
}

}  // namespace nx
