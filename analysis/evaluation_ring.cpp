#include "analysis/evaluation_ring.h"

CEvaluationRing::CEvaluationRing()
    : m_slots(
          static_cast<EvaluationRecord*>(::operator new[](sizeof(EvaluationRecord) * kCapacity))) {}
