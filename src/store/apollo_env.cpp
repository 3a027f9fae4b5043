#include "store/apollo_env.h"

#include <QStringList>
#include <algorithm>

#include "store/messages.h"

namespace qv {

namespace {
// Compares as a recent engine; the program asks for 2.40.00 or later.
const char kEngineVersion[] = "2.50.00";
const char kMinimumVersion[] = "2.40.00";
}  // namespace

void TApolloEnv::SetMemoBlockSize(int size) {
  if (size >= 1 && size <= 65535) m_settings.memo_block_size = static_cast<uint32_t>(size);
}

QString TApolloEnv::Version() { return QString::fromLatin1(kEngineVersion); }

bool TApolloEnv::VersionAtLeast(const QString& version, const QString& minimum) {
  const QStringList a = version.section(QLatin1Char(' '), 0, 0).split(QLatin1Char('.'));
  const QStringList b = minimum.split(QLatin1Char('.'));
  for (int i = 0; i < std::max(a.size(), b.size()); ++i) {
    int x = i < a.size() ? a[i].toInt() : 0;
    int y = i < b.size() ? b[i].toInt() : 0;
    if (x != y) return x > y;
  }
  return true;
}

bool TApolloEnv::StartEngine() {
  if (VersionAtLeast(Version(), QString::fromLatin1(kMinimumVersion))) return true;
  Messages().information(
      QStringLiteral("The database engine of version %1 or later is required.").arg(kMinimumVersion));
  return false;
}

}  // namespace qv
