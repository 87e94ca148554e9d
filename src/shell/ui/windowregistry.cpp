#include "shell/ui/windowregistry.h"

namespace qrn::ui {

void WindowRegistry::add(const QString &keyword, Factory factory, Mode mode)
{
    m_factories.insert(keyword.toUpper(), {std::move(factory), mode});
}

QWidget *WindowRegistry::existing(const QString &keyword) const
{
    return m_instances.value(keyword.toUpper()).data();
}

QWidget *WindowRegistry::instance(const QString &keyword)
{
    const QString key = keyword.toUpper();
    if (QWidget *w = m_instances.value(key).data())
        return w;
    const auto it = m_factories.constFind(key);
    if (it == m_factories.constEnd())
        return nullptr;
    QWidget *w = it->factory();
    m_instances.insert(key, w);
    return w;
}

WindowRegistry::Mode WindowRegistry::mode(const QString &keyword) const
{
    return m_factories.value(keyword.toUpper()).mode;
}

} // namespace qrn::ui
