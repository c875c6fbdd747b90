#pragma once
// A backend that serves only the faces given to it (bytes or files) and activates files
// without touching fontconfig. Tests install it as the process's backend with
// rbxtest::ScopedInstance<rbx::FontBackend>.

#include "platform/fonts/FontBackend.h"

namespace rbx {

class FakeFontBackend : public FontBackend {
    Q_OBJECT
public:
    FakeFontBackend() = default;

    // Adds every face of the bytes (names taken from the faces); answers how many.
    int addFontData(const QByteArray& data);
    // Adds every face of a file; answers how many.
    int addFontFile(const QString& path);
    // Removes the faces with that PostScript name.
    void removeFont(const QString& postScriptName);
    // Moves the generation and emits fontsChanged(), as an installed font change would.
    void touch();

    QList<FaceInfo> faces() override { return faces_; }
    quint64 generation() const override { return generation_; }
    bool checkForChanges() override { return false; }
    int activateFile(const QString& path) override;
    QList<FaceInfo> facesOfContainer(int container) const override;
    void deactivate(int container) override;
    // How often the faces were sorted for a face's substitutes.
    int substitutionOrders() const { return substitutionOrders_; }

protected:
    std::shared_ptr<const FontFace> openFace(const FaceInfo& info) override;
    QStringList substitutionOrder(const FaceInfo& face) override {
        ++substitutionOrders_;
        return FontBackend::substitutionOrder(face);
    }

private:
    struct Container { int id; QList<FaceInfo> faces; };
    QList<FaceInfo> faces_;
    QHash<QString, QByteArray> data_;
    QList<Container> containers_;
    int nextContainer_ = 1;
    int substitutionOrders_ = 0;
    quint64 generation_ = newGeneration();
};

} // namespace rbx
