#include "link/enginelease.h"

#include "link/commlink.h"

#include <utility>

namespace korvo {

EngineLease::EngineLease(EngineLease &&other) noexcept
    : m_link(std::exchange(other.m_link, nullptr)), m_id(std::exchange(other.m_id, 0)),
      m_refusal(std::exchange(other.m_refusal, {}))
{
}

EngineLease EngineLease::refused(QString why)
{
    EngineLease lease;
    lease.m_refusal = std::move(why);
    return lease;
}

EngineLease &EngineLease::operator=(EngineLease &&other) noexcept
{
    if (this != &other) {
        release();
        m_link = std::exchange(other.m_link, nullptr);
        m_id = std::exchange(other.m_id, 0);
        m_refusal = std::exchange(other.m_refusal, {});
    }
    return *this;
}

bool EngineLease::isActive() const
{
    return m_link && m_link->leaseActive(m_id);
}

void EngineLease::release()
{
    if (m_link)
        m_link->releaseLease(m_id);
    m_link = nullptr;
    m_id = 0;
}

void EngineLease::pump()
{
    if (m_link)
        m_link->pumpLease(m_id);
}

void EngineLease::cancel()
{
    if (m_link)
        m_link->cancelLease(m_id);
}

qint64 EngineLease::nowMs() const
{
    return m_link ? m_link->nowMs() : 0;
}

} // namespace korvo
