#include <cstring>

#include "ground/coop.h"

tx::TxQueue qcb_cfi;
tx::TxQueue qcb_cfo;

namespace tx {

int _txe_queue_create(TxQueue* queue, const char* name, uint32_t message_words, void* buffer,
                      uint32_t buffer_bytes) {
  if (queue == nullptr || buffer == nullptr) return kTxPtrError;
  if (message_words == 0) return kTxSizeError;
  const uint32_t capacity = buffer_bytes / (4 * message_words);
  if (capacity == 0) return kTxSizeError;
  auto* start = static_cast<uint32_t*>(buffer);
  *queue = {};
  queue->name = name;
  queue->message_words = message_words;
  queue->capacity = capacity;
  queue->free_places = capacity;
  queue->start = start;
  queue->end = start + capacity * message_words;
  queue->read = start;
  queue->write = start;
  return kTxSuccess;
}

int _txe_queue_send(TxQueue* queue, const void* message) {
  if (queue == nullptr || queue->start == nullptr || message == nullptr) return kTxPtrError;
  if (queue->free_places == 0) return kTxQueueFull;
  std::memcpy(queue->write, message, 4 * queue->message_words);
  queue->write += queue->message_words;
  if (queue->write >= queue->end) queue->write = queue->start;
  --queue->free_places;
  ++queue->count;
  return kTxSuccess;
}

int _txe_queue_receive(TxQueue* queue, void* destination) {
  if (queue == nullptr || queue->start == nullptr || destination == nullptr) return kTxPtrError;
  if (queue->count == 0) return kTxQueueEmpty;
  std::memcpy(destination, queue->read, 4 * queue->message_words);
  queue->read += queue->message_words;
  if (queue->read >= queue->end) queue->read = queue->start;
  --queue->count;
  ++queue->free_places;
  return kTxSuccess;
}

}  // namespace tx

void CreateStorageQueues() {
  static uint32_t request[4];
  static uint32_t answer[2];
  tx::_txe_queue_create(&qcb_cfi, "CFI_REQUEST", 4, request, sizeof request);
  tx::_txe_queue_create(&qcb_cfo, "CFI_RESPONSE", 2, answer, sizeof answer);
}
