#pragma once

#include "io/text.h"

#include <QCoreApplication>
#include <QTranslator>
#include <memory>

namespace quantaline::test {

// The program's language for the windows built while it lives, as start-up sets it: the
// core's texts and, under English, the windows' own translation from the resources. French
// again at its end, with no translator left behind.
class LanguageScope {
  public:
    explicit LanguageScope(Language language) {
        set_text_language(language);
        if (language != Language::french) {
            translator_ = std::make_unique<QTranslator>();
            loaded_ = translator_->load(QStringLiteral(":/translations/quantaline_en.qm")) &&
                      QCoreApplication::installTranslator(translator_.get());
        }
    }
    ~LanguageScope() {
        if (translator_) {
            QCoreApplication::removeTranslator(translator_.get());
        }
        set_text_language(Language::french);
    }
    LanguageScope(const LanguageScope&) = delete;
    LanguageScope& operator=(const LanguageScope&) = delete;

    // False when the English translation could not be installed.
    bool ready() const { return !translator_ || loaded_; }

  private:
    std::unique_ptr<QTranslator> translator_;
    bool loaded_ = false;
};

} // namespace quantaline::test
