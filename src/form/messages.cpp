#include "form/messages.h"

#include <string>

#include "form/window_layout.h"

namespace dorvan::messages {
namespace {

std::string quoted(std::string_view file) { return "\"" + std::string(file) + "\""; }

constexpr std::string_view kNotAgain = "Bu uyarı bu çalışmada bir daha gösterilmez.";

std::string_view stepText(SaveStep step) {
  switch (step) {
    case SaveStep::Encode: return "tablodaki bir karakter Türkçe kod sayfasında yok";
    case SaveStep::Create: return "geçici dosya oluşturulamadı";
    case SaveStep::Write: return "geçici dosyaya yazılamadı";
    case SaveStep::Flush: return "dosya diske aktarılamadı";
    case SaveStep::Replace: return "yeni dosya eskisinin yerine konamadı";
  }
  return "";
}

}  // namespace

std::string reason(const FileResult& r) {
  switch (r.error) {
    case FileError::None: return "hata yok";
    case FileError::NotFound: return "dosya ya da klasör bulunamadı";
    case FileError::AccessDenied: return "erişim izni yok (dosya ya da klasör salt okunur olabilir)";
    case FileError::InUse: return "dosya başka bir programda açık ve kilitli";
    case FileError::DiskFull: return "diskte yer kalmadı";
    case FileError::NotAFile: return "bu bir dosya değil (klasör, boru ya da aygıt)";
    case FileError::TooLarge: return "dosya bir kademe dosyası olamayacak kadar büyük";
    case FileError::Other: break;
  }
  return "sistem hatası " + std::to_string(r.nativeCode);
}

std::string stageFileMissing(std::string_view file) {
  return quoted(file) +
         " dosyası bulunamadı.\n\nKutulardaki tablo değiştirilmedi. \"KAYDET\" düğmesine basarsanız bu dosya, "
         "ekranda görünen tablodan oluşturulur.";
}

std::string stageFileUnreadable(std::string_view file, const FileResult& r) {
  return quoted(file) + " dosyası okunamadı: " + reason(r) +
         ".\n\nHiçbir şey değiştirilmedi: kutular ve seçili kademe olduğu gibi duruyor.";
}

std::string stageFileTooShort(std::string_view file, int lineCount) {
  return quoted(file) + " dosyası eksik: 50 satır olması gerekirken " + std::to_string(lineCount) +
         " satır var.\n\nHiçbir şey değiştirilmedi: kutular ve seçili kademe olduğu gibi duruyor, dosyaya da "
         "dokunulmadı.";
}

std::string tooManyExtraWindows(std::string_view file, const std::vector<int>& ports) {
  std::string out = quoted(file) + " dosyasında ";
  for (std::size_t i = 0; i < ports.size(); ++i) {
    if (i > 0) out += ", ";
    out += kPortGrid[ports[i] - 1].portCaption;
  }
  return out +
         " için sekizden fazla ek pencere var: ilk sekizi yüklendi, gerisi yok sayıldı. \"KAYDET\" "
         "düğmesine basılırsa dosyaya yalnızca bu sekizi yazılır.";
}

std::string extrasChangedElsewhere(int port) {
  return std::string(kPortGrid[port - 1].portCaption) +
         " için ek pencereler bu pencere açıkken başka yerden değişti (bir kademe yüklendi ya da web sayfasından "
         "değiştirildi).\n\nBuradaki satırlar yazılmadı. Yine de bunları yazmak için \"TAMAM\" düğmesine bir daha "
         "basın; yeni gelenleri korumak için \"İPTAL\" düğmesine basın.";
}

std::string stageSaveFailed(std::string_view file, SaveStep step, const FileResult& r) {
  std::string text = quoted(file) + " dosyası kaydedilemedi: " + std::string(stepText(step));
  if (step != SaveStep::Encode) text += " (" + reason(r) + ")";
  return text + ".\n\nDosyanın önceki içeriği olduğu gibi duruyor; kutulardaki tablo da kaybolmadı.";
}

std::string settingsUnreadable(std::string_view file, const FileResult& r) {
  return quoted(file) + " ağ ayarları dosyası okunamadı: " + reason(r) +
         ".\n\nMQTT ve web sayfası kapalı kalacak; portlar çizelgeye göre anahtarlanmaya devam ediyor.";
}

std::string settingsReadableByOthers(std::string_view file) {
  return quoted(file) +
         " bir parola içeriyor ve bu bilgisayarın başka kullanıcılarınca okunabiliyor. Yalnızca "
         "sizin okuyabilmeniz için: chmod 600 " +
         std::string(file);
}

std::string keyReadableByOthers(std::string_view file) {
  return quoted(file) +
         " web sayfasının özel anahtarını içeriyor ve bu bilgisayarın başka kullanıcılarınca okunabiliyor. Yalnızca "
         "sizin okuyabilmeniz için: chmod 600 " +
         std::string(file);
}

std::string journalUnwritable(std::string_view file, const FileResult& r) {
  return quoted(file) + " günlük dosyasına yazılamadı: " + reason(r) +
         ".\n\nPortlar çizelgeye göre anahtarlanmaya devam ediyor; yalnızca kayıt tutulamıyor. DORVAN her olayda "
         "yeniden dener: dosya yazılabilir olunca günlük kaldığı yerden sürer. " +
         std::string(kNotAgain);
}

std::string journalNotRotated(std::string_view file, std::string_view older, const FileResult& r) {
  return quoted(file) + " günlük dosyası 1 MB'ı geçti, ama " + quoted(older) +
         " adıyla bir kenara konamadı: " + reason(r) +
         ".\n\nHiçbir kayıt kaybolmadı: günlük aynı dosyada sürüyor ve DORVAN bir sonraki olayda "
         "yeniden dener. " +
         std::string(kNotAgain);
}

std::string startArgumentRefused(std::string_view given) {
  return "Başlatma parametresi anlaşılamadı: " + quoted(given) +
         ".\n\nKabul edilen tek biçim, 1 ile 7 arasında bir kademe numarasıdır (örneğin: DORVAN.exe 3). "
         "Program kademe seçilmeden açılıyor.";
}

}  // namespace dorvan::messages
