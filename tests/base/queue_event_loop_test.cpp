#include "base/queue_event_loop.h"

#include "base/event_loop_contract.h"

namespace pelmo::contract {

INSTANTIATE_TYPED_TEST_SUITE_P(Queue, EventLoopContract, QueueEventLoop);

}  // namespace pelmo::contract
