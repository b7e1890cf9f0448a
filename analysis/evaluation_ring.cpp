#include "analysis/evaluation_ring.h"

CEvaluationRing::CEvaluationRing() : m_slots(new EvaluationRecord[kCapacity]) {}
