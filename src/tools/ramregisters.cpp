#include "tools/ramregisters.h"

#include "tools/ramdump.h"

namespace korvo::ramregisters {

namespace {

// The bit names known for a register, bit 7 first; a register without named bits shows its bare name.
QString withBits(const QString &name)
{
    if (name == QLatin1String("IDXIMSK"))
        return QStringLiteral(
            "IDXIMSK: - | ENC_INDX | END_TARG | POS_TARG || CAPTURE | POS_TRIP | MSDT_DN | FAULT_INT");
    if (name == QLatin1String("INTCCR0"))
        return QStringLiteral("INTCCR0: - | - | - | - || - | CS02 | CS01 | CS00");
    return name;
}

void place(QStringList &table, int offset, const QStringList &names)
{
    for (const QString &name : names)
        if (offset < table.size())
            table[offset++] = withBits(name);
}

QStringList numbered(const QString &stem, int first, int last, const QString &suffix = QString())
{
    QStringList names;
    for (int n = first; n <= last; ++n)
        names << stem + QString::number(n) + suffix;
    return names;
}

QStringList split(const char *names)
{
    return QString::fromLatin1(names).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

} // namespace

const QList<RamBlock> &blocks()
{
    static const QList<RamBlock> list = {
        {QStringLiteral("FPGA"), QStringLiteral("2000"), QStringLiteral("128"), 129},
        {QStringLiteral("Motor"), QStringLiteral("200"), QStringLiteral("79"), 80},
        {QStringLiteral("CPU"), QStringLiteral("0"), QStringLiteral("64"), 65},
        {QStringLiteral("CAN"), QStringLiteral("300"), QStringLiteral("160"), 161},
        {QStringLiteral("IntTmr"), QStringLiteral("800"), QStringLiteral("16"), 17},
        {QStringLiteral("SCDACs"), QStringLiteral("280"), QStringLiteral("6"), 7},
        {QStringLiteral("Other"), QStringLiteral("Addr"), QStringLiteral("Ct"), 0},
    };
    return list;
}

QStringList table(const QString &blockName)
{
    int size = 0;
    for (const RamBlock &block : blocks())
        if (block.name == blockName)
            size = block.tableSize;
    QStringList t(size);
    if (blockName == QLatin1String("Motor")) {
        place(
            t, 0,
            split(
                "PWMMSK PWMPER PWMSFRQ PWMCTL CURRIRUN CURIRED CURRDLY1 CURRDLY2 VELLOW1 VELLOW2 VELLOW3 "
                "VELHI1 "
                "VELHI2 VELHI3 VELDEC1 VELDEC2 VELDEC3 VELACC1 VELACC2 VELACC3 VELCVEL1 VELCVEL2 VELCVEL3 "
                "VELTVEL1 VELTVEL2 VELTVEL3 VELVGCTL VELSTB VELIFLG VELIMSK IDXTRT1 IDXTRT2 IDXTRT3 IDXTRT4 "
                "IDXENT1 IDXENT2 IDXENT3 IDXENT4 IDXMSDT1 IDXMSDT2 IDXPOT1 IDXPOT2 IDXPOT3 IDXPOT4 IDXPOS1 "
                "IDXPOS2 IDXPOS3 IDXPOS4 IDXENC1 IDXENC2 IDXENC3 IDXENC4 IDXCTRL IDXSTRB IDXCPTP1 IDXCPTP2 "
                "IDXCPTP3 IDXCPTP4 IDXIFLG IDXIMSK SCIO SCSW SCRF1 SCRF2 SCRF3 SCRF4 IOF MSELR STAT SPWMCTL "
                "NBISP1 NBISP2 NBISP3 NBISP4 NBSR1 NBSR2 NBSR3 NBSR4 NBCTL"));
    } else if (blockName == QLatin1String("CPU")) {
        place(
            t, 0,
            split("IPDL IPDH IPAL IPAH IPCR ADRSLTLO ADRSLTHI ADCSR USPCR USPSR USPDR AMUXCTL MSPCR MSPSR "
                  "MSPDR "
                  "WDTCR UDR USR UCRA UCRB UBRRLO UBRRHI GIFR GIMSK DACVALLO DACVALHI BGPPIN BGPDDR BGPPORT "
                  "AGPPIN AGPDDR AGPPORT EXTCCR1A EXTCCR1B EXTCNT1L EXTCNT1H EXOCR1AL EXOCR1AH EXOCR1BL "
                  "EXOCR1BH EXICR1L EXICR1H EXTIFR EXTIMSK EXTCNT0 EXTCCR0"));
        place(t, 48, split("CGPPIN CGPDDR CGPPORT MCSR"));
        place(t, 55, split("IRQADREXT RAMPD RAMPX RAMPY RAMPZ EIND SPL SPH SREG"));
    } else if (blockName == QLatin1String("SCDACs")) {
        place(t, 0, split("SINDAC_L SINDAC_H COSDAC_L COSDAC_H GAINDAC DACCTRL"));
    } else if (blockName == QLatin1String("IntTmr")) {
        place(t, 0,
              split("INTCCR1A INTCCR1B INTCNT1L INTCNT1H INOCR1AL INOCR1AH INOCR1BL INOCR1BH INTCNT0 INTCCR0 "
                    "INTIFR INTIMSK"));
    } else if (blockName == QLatin1String("CAN")) {
        place(t, 0,
              split("CDIVCAN CBTR0 CBTR1 CBTR2 CMCR CRAFEN CTARR CIER CCFLG CCISR CIDAH0 CIDAH1 CEFR CRXERR "
                    "CTXERR"));
        int offset = 16;
        for (int filter = 0; filter <= 6; ++filter) {
            place(t, offset, numbered(QStringLiteral("CIDAC%1R").arg(filter), 0, 3));
            place(t, offset + 4, numbered(QStringLiteral("CIDM%1R").arg(filter), 0, 3));
            offset += 8;
        }
        for (int buffer = 0; buffer <= 2; ++buffer)
            place(t, 80 + 16 * buffer, numbered(QStringLiteral("CTXB%1R").arg(buffer), 0, 15));
        for (int buffer = 0; buffer <= 1; ++buffer)
            place(t, 128 + 16 * buffer, numbered(QStringLiteral("CRXB%1R").arg(buffer), 0, 15));
    } else if (blockName == QLatin1String("FPGA")) {
        // Only the first three places are fixed; the rest follow them one byte each.
        place(t, 58,
              split("FLT_FLG FLT_MSK NB_SCIO NB_IOF NB_MSELR NB_STAT NBPLDLG NBMUFRQ NBMISC NBSET NBTRQCUR "
                    "NBCALTM "
                    "NBLRTIME NBSTAT NBIFLG HW_VER NBIMSK NBCAL NBCALCUR NBPLDLMT NBPLGLMT SP_CTL NB_SCSW "
                    "NB_PWMPER NB_VELIMSK NB_VELIFLG VELMSDT NB_VELSTB NB_VELVGCTL NB_VELCVEL NB_VELACC "
                    "NB_VELDEC NB_VELHI NB_VELLOW CURDLY CURREDR CURRUNNB NB_PWMCTL NB_PWMSFRQ NB_PWMMSK"));
    }
    return t;
}

QString hint(const QString &blockName, const QString &line, int column)
{
    int position = column - ramdump::kAddressField;
    if (position < 0)
        return {};
    if (position >= 3 * 8) {
        // The extra blank between the halves of a row belongs to no byte.
        if (--position < 3 * 8)
            return {};
    }
    const int byte = position / 3;
    const int start = ramdump::kAddressField + 3 * byte + (byte >= 8 ? 1 : 0);
    if (byte >= ramdump::kBytesPerRow || line.mid(start, 3).trimmed().isEmpty())
        return {};
    bool ok = false;
    const int rowAddress = line.left(4).toInt(&ok, 16);
    if (!ok)
        return {};
    int blockStart = 0;
    for (const RamBlock &block : blocks())
        if (block.name == blockName)
            blockStart = block.address.toInt(&ok, 16);
    if (!ok)
        return {};
    const QStringList registers = table(blockName);
    const int offset = rowAddress - blockStart + byte;
    return offset >= 0 && offset < registers.size() ? registers.at(offset) : QString();
}

} // namespace korvo::ramregisters
