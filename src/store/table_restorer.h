// The contact table's state as a job found it (query, order, record and,
// where asked, the exact-compare setting and the scope), put back however the
// job ends. Every print run and utility narrows the main table and must hand
// it back unchanged.
#pragma once

#include <QString>

#include "store/apollo.h"

namespace qv {

class TableRestorer {
 public:
  struct Also {
    TApolloEnv* exactOf = nullptr;  // restore this engine's exact setting
    bool clearScope = false;        // the job set a scope of its own
  };

  explicit TableRestorer(TApollo& apollo) : TableRestorer(apollo, Also{nullptr, false}) {}
  TableRestorer(TApollo& apollo, Also also)
      : m_apollo(apollo),
        m_also(also),
        m_recno(apollo.RecNo()),
        m_filter(apollo.DBFilter()),
        m_order(apollo.IndexOrd()),
        m_exact(also.exactOf ? also.exactOf->Exact() : false) {}
  ~TableRestorer() {
    if (m_also.exactOf) m_also.exactOf->SetExact(m_exact);
    m_apollo.SetOrder(m_order);
    // A destructor cannot report: a failed move is kept by the table object
    // (TableObject::failed), and the filter and scope were valid before.
    (void)m_apollo.Query(m_filter);
    if (m_also.clearScope) (void)m_apollo.SetScope(QString(), QString());
    if (m_recno > 0) (void)m_apollo.Go(m_recno);
  }
  TableRestorer(const TableRestorer&) = delete;
  TableRestorer& operator=(const TableRestorer&) = delete;

  int recno() const { return m_recno; }

 private:
  TApollo& m_apollo;
  Also m_also;
  int m_recno;
  QString m_filter;
  int m_order;
  bool m_exact;
};

}  // namespace qv
