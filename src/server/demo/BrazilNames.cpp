#include "BrazilNames.h"

namespace cns {

namespace {

// Lists are written as one UTF-8 text with "|" between the words, which keeps them readable.
QStringList words(const char *utf8)
{
    return QString::fromUtf8(utf8).split(u'|');
}

BrazilNames::Municipality city(const char *uf, const char *name, int ddd, int cepFirst, int cepLast,
                               const char *districts)
{
    return {QString::fromLatin1(uf), QString::fromUtf8(name), ddd, cepFirst, cepLast, words(districts)};
}

} // namespace

const QList<BrazilNames::Country> &BrazilNames::countries()
{
    static const QList<Country> all = {
        {QStringLiteral("1058"), QStringLiteral("Brasil")},
        {QStringLiteral("0639"), QStringLiteral("Argentina")},
        {QStringLiteral("5860"), QStringLiteral("Paraguai")},
        {QStringLiteral("8451"), QStringLiteral("Uruguai")},
    };
    return all;
}

const QList<BrazilNames::State> &BrazilNames::states()
{
    static const QList<State> all = [] {
        QList<State> list;
        const QStringList pairs = words("AC=Acre|AL=Alagoas|AP=Amapá|AM=Amazonas|BA=Bahia|CE=Ceará|DF=Distrito Federal|"
                                        "ES=Espírito Santo|GO=Goiás|MA=Maranhão|MT=Mato Grosso|MS=Mato Grosso do Sul|"
                                        "MG=Minas Gerais|PA=Pará|PB=Paraíba|PR=Paraná|PE=Pernambuco|PI=Piauí|"
                                        "RJ=Rio de Janeiro|RN=Rio Grande do Norte|RS=Rio Grande do Sul|RO=Rondônia|"
                                        "RR=Roraima|SC=Santa Catarina|SP=São Paulo|SE=Sergipe|TO=Tocantins");
        for (const QString &p : pairs)
            list.append({p.section(u'=', 0, 0), p.section(u'=', 1)});
        return list;
    }();
    return all;
}

const QList<BrazilNames::Municipality> &BrazilNames::municipalities()
{
    static const QList<Municipality> all = {
        city("SP", "São Paulo", 11, 1000, 5899,
             "Bela Vista|Pinheiros|Vila Mariana|Moema|Santana|Tatuapé|Mooca|Lapa|Itaim Bibi|Butantã|Liberdade|"
             "Ipiranga"),
        city("SP", "Campinas", 19, 13010, 13099,
             "Cambuí|Barão Geraldo|Taquaral|Centro|Castelo|Jardim Proença|Vila Industrial|Ouro Verde|Sousas"),
        city("SP", "Santos", 13, 11010, 11095,
             "Gonzaga|Boqueirão|Ponta da Praia|Aparecida|Embaré|Vila Mathias|Macuco|Campo Grande"),
        city("SP", "Guarulhos", 11, 7010, 7299, "Centro|Vila Galvão|Bonsucesso|Cumbica|Macedo|Pimentas|Jardim Maia"),
        city("SP", "São Bernardo do Campo", 11, 9710, 9899,
             "Centro|Rudge Ramos|Assunção|Baeta Neves|Nova Petrópolis|Planalto"),
        city("SP", "Ribeirão Preto", 16, 14010, 14099,
             "Centro|Jardim Irajá|Vila Seixas|Campos Elíseos|Jardim Paulista|Ribeirânia|Ipiranga"),
        city("SP", "Sorocaba", 15, 18010, 18099, "Centro|Campolim|Éden|Vila Hortência|Jardim Vergueiro|Além Ponte"),
        city("RJ", "Rio de Janeiro", 21, 20010, 23099,
             "Copacabana|Tijuca|Botafogo|Méier|Barra da Tijuca|Campo Grande|Flamengo|Madureira|Bangu|Ipanema|"
             "Laranjeiras|Vila Isabel"),
        city("RJ", "Niterói", 21, 24020, 24370, "Icaraí|Centro|Santa Rosa|Fonseca|São Francisco|Ingá|Barreto"),
        city("RJ", "Duque de Caxias", 21, 25010, 25250,
             "Centro|Jardim Vinte e Cinco de Agosto|Gramacho|Parque Lafaiete|Vila São Luís|Saracuruna"),
        city("RJ", "Nova Iguaçu", 21, 26010, 26090, "Centro|Posse|Comendador Soares|Cabuçu|Austin|Moquetá"),
        city("RJ", "Petrópolis", 24, 25610, 25770, "Centro|Quitandinha|Itaipava|Corrêas|Valparaíso"),
        city("RJ", "Volta Redonda", 24, 27210, 27290,
             "Aterrado|Vila Santa Cecília|Retiro|Conforto|Jardim Amália|Vila Mury"),
        city("MG", "Belo Horizonte", 31, 30110, 31999,
             "Savassi|Funcionários|Pampulha|Barreiro|Santa Efigênia|Lourdes|Buritis|Venda Nova|Floresta|"
             "Sagrada Família|Prado"),
        city("MG", "Contagem", 31, 32010, 32370, "Eldorado|Centro|Industrial|Riacho das Pedras|Inconfidentes|Ressaca"),
        city("MG", "Uberlândia", 34, 38400, 38414,
             "Centro|Santa Mônica|Martins|Tibery|Umuarama|Saraiva|Jardim Karaíba"),
        city("MG", "Juiz de Fora", 32, 36010, 36090, "Centro|São Mateus|Granbery|Alto dos Passos|Benfica|Cascatinha"),
        city("MG", "Betim", 31, 32600, 32690, "Centro|Angola|Jardim Teresópolis|Citrolândia|Brasiléia"),
        city("MG", "Montes Claros", 38, 39400, 39409,
             "Centro|Todos os Santos|Major Prates|Ibituruna|Delfino Magalhães"),
        city("PR", "Curitiba", 41, 80010, 82990,
             "Batel|Água Verde|Centro|Portão|Boqueirão|Bigorrilho|Cabral|Santa Felicidade|Cajuru|Rebouças"),
        city("PR", "Londrina", 43, 86010, 86099,
             "Centro|Gleba Palhano|Cinco Conjuntos|Jardim Higienópolis|Vila Nova|Aeroporto"),
        city("PR", "Maringá", 44, 87010, 87099,
             "Zona 07|Jardim Alvorada|Vila Operária|Centro|Jardim Universitário|Zona 05"),
        city("PR", "Ponta Grossa", 42, 84010, 84099, "Centro|Uvaranas|Oficinas|Nova Rússia|Jardim Carvalho|Órfãs"),
        city("PR", "Cascavel", 45, 85801, 85829, "Centro|Country|Neva|Cancelli|Brasília|São Cristóvão"),
        city("PR", "São José dos Pinhais", 41, 83005, 83099,
             "Centro|Afonso Pena|Cidade Jardim|Boneca do Iguaçu|Aristocrata"),
        city("RS", "Porto Alegre", 51, 90010, 91999,
             "Moinhos de Vento|Centro Histórico|Menino Deus|Petrópolis|Bom Fim|Cidade Baixa|Sarandi|Partenon|"
             "Restinga|Tristeza"),
        city("RS", "Caxias do Sul", 54, 95010, 95099, "Centro|São Pelegrino|Exposição|Pio X|Cinquentenário|Rio Branco"),
        city("RS", "Pelotas", 53, 96010, 96099, "Centro|Fragata|Três Vendas|Areal|Laranjal"),
        city("RS", "Canoas", 51, 92010, 92490, "Centro|Niterói|Mathias Velho|Igara|Harmonia|Estância Velha"),
        city("RS", "Santa Maria", 55, 97010, 97119, "Centro|Camobi|Nossa Senhora de Fátima|Patronato|Tancredo Neves"),
        city("RS", "Novo Hamburgo", 51, 93310, 93590, "Centro|Hamburgo Velho|Canudos|Rondônia|Operário|Ideal"),
        city("BA", "Salvador", 71, 40010, 42499,
             "Barra|Pituba|Rio Vermelho|Itapuã|Liberdade|Brotas|Ondina|Graça|Cabula|Stella Maris|"
             "Caminho das Árvores"),
        city("BA", "Feira de Santana", 75, 44001, 44099,
             "Centro|Kalilândia|Tomba|Santa Mônica|Cidade Nova|Sobradinho"),
        city("BA", "Vitória da Conquista", 77, 45000, 45099, "Centro|Candeias|Recreio|Brasil|Jurema"),
        city("BA", "Camaçari", 71, 42800, 42849, "Centro|Gleba A|Gleba E|Parque Verde|Abrantes|Arembepe"),
        city("BA", "Ilhéus", 73, 45650, 45669, "Centro|Pontal|Malhado|Cidade Nova|São Francisco"),
        city("BA", "Lauro de Freitas", 71, 42700, 42749, "Centro|Vilas do Atlântico|Ipitanga|Itinga|Buraquinho"),
        city("PE", "Recife", 81, 50010, 52999,
             "Boa Viagem|Casa Forte|Espinheiro|Graças|Madalena|Várzea|Pina|Torre|Derby|Imbiribeira|Afogados"),
        city("PE", "Jaboatão dos Guararapes", 81, 54000, 54499, "Piedade|Candeias|Prazeres|Cavaleiro|Jardim Jordão"),
        city("PE", "Olinda", 81, 53010, 53399, "Carmo|Casa Caiada|Bairro Novo|Rio Doce|Jardim Atlântico|Peixinhos"),
        city("PE", "Caruaru", 81, 55002, 55099,
             "Centro|Maurício de Nassau|Universitário|Indianópolis|Petrópolis|Salgado"),
        city("PE", "Petrolina", 87, 56302, 56399, "Centro|Areia Branca|Jardim Maravilha|Cohab Massangano|Vila Eduardo"),
        city("PE", "Paulista", 81, 53401, 53499, "Centro|Janga|Pau Amarelo|Maranguape I|Arthur Lundgren"),
    };
    return all;
}

const QStringList &BrazilNames::maleFirstNames()
{
    static const QStringList all = words(
        "José|João|Antônio|Francisco|Carlos|Paulo|Pedro|Lucas|Luiz|Marcos|Luís|Gabriel|Rafael|Daniel|Marcelo|"
        "Bruno|Eduardo|Felipe|Raimundo|Rodrigo|Manoel|Mateus|André|Fernando|Fábio|Leonardo|Gustavo|Guilherme|"
        "Leandro|Tiago|Anderson|Ricardo|Márcio|Jorge|Sebastião|Alexandre|Roberto|Edson|Diego|Vítor|Sérgio|"
        "Cláudio|Renato|Hélio|Otávio|Wagner|Wellington|Kléber|Ítalo|Nélson|Ubiratan|Yuri|Benedito|Caio|Davi|"
        "Emerson|Flávio|Geraldo|Heitor|Igor|Júlio|Lauro|Murilo|Nícolas|Osvaldo|Reinaldo|Samuel|Thiago|Valdir|"
        "Zacarias|Arthur|Enzo|Henrique|Joaquim|Wesley|João Pedro|José Carlos|Carlos Eduardo|Luiz Fernando|"
        "João Vítor|Paulo Henrique|Antônio Carlos|Marco Aurélio");
    return all;
}

const QStringList &BrazilNames::femaleFirstNames()
{
    static const QStringList all = words(
        "Maria|Ana|Francisca|Antônia|Adriana|Juliana|Márcia|Fernanda|Patrícia|Aline|Sandra|Camila|Amanda|Bruna|"
        "Jéssica|Letícia|Júlia|Luciana|Vanessa|Mariana|Gabriela|Vera|Vitória|Larissa|Cláudia|Beatriz|Luana|Rita|"
        "Sônia|Renata|Eliane|Josefa|Simone|Natália|Cecília|Débora|Elaine|Flávia|Gisele|Helena|Ingrid|Isabela|"
        "Kátia|Lívia|Mônica|Nádia|Olívia|Priscila|Raquel|Sabrina|Tânia|Úrsula|Valéria|Yasmin|Zilda|Conceição|"
        "Regina|Rosângela|Lúcia|Heloísa|Iara|Joana|Lorena|Edna|Fabiana|Glória|Irene|Quitéria|Wanda|Tereza|"
        "Ana Paula|Maria Eduarda|Maria de Fátima|Maria das Graças|Maria Aparecida|Ana Clara|Maria José|"
        "Ana Luíza|Maria Cecília");
    return all;
}

const QStringList &BrazilNames::surnames()
{
    static const QStringList all = words(
        "Silva|Santos|Oliveira|Souza|Rodrigues|Ferreira|Alves|Pereira|Lima|Gomes|Costa|Ribeiro|Martins|Carvalho|"
        "Almeida|Lopes|Soares|Fernandes|Vieira|Barbosa|Rocha|Dias|Nascimento|Andrade|Moreira|Nunes|Marques|"
        "Machado|Mendes|Freitas|Cardoso|Ramos|Gonçalves|Santana|Teixeira|Araújo|Magalhães|Brandão|Simões|"
        "Falcão|Patrício|Assunção|Guimarães|Peixoto|Monteiro|Moura|Cavalcanti|Azevedo|Pinto|Batista|Correia|"
        "Cunha|Castro|Campos|Fonseca|Medeiros|Xavier|Sampaio|Queiroz|Macedo|Leite|Bezerra|Farias|Aragão|Coelho|"
        "Damasceno|Esteves|Figueiredo|Galvão|Lacerda|Miranda|Nogueira|Pacheco|Prado|Rezende|Siqueira|Tavares|"
        "Uchôa|Valente|Viana|Zanetti|Bittencourt|Tanaka|Nakamura|Yamamoto|Rossi|Ferrari|Schmidt|Müller|Sousa|"
        "Brito|Dantas|Holanda|Quintela|Jardim|Meireles|Sá|Antunes|Bastos|Lobo|Pires|Rangel|"
        "dos Santos|da Silva|de Oliveira|de Souza|da Costa|de Jesus|da Conceição|do Nascimento|de Almeida|"
        "dos Reis|da Rocha|de Paula|das Neves");
    return all;
}

const QStringList &BrazilNames::streets()
{
    static const QStringList all = words(
        "Rua das Flores|Rua Sete de Setembro|Rua XV de Novembro|Avenida Brasil|Rua Tiradentes|"
        "Rua Marechal Deodoro|Avenida Getúlio Vargas|Rua Barão do Rio Branco|Rua Dom Pedro II|"
        "Rua Santos Dumont|Rua José Bonifácio|Rua Floriano Peixoto|Rua Duque de Caxias|Avenida Presidente Vargas|"
        "Rua Padre Anchieta|Rua São Benedito|Rua das Acácias|Rua dos Ipês|Rua das Palmeiras|Rua Amazonas|"
        "Rua Bahia|Rua Pernambuco|Rua Minas Gerais|Rua Paraná|Avenida Independência|Rua Conselheiro Nébias|"
        "Rua Visconde de Mauá|Travessa São José|Alameda dos Anjos|Rua Coronel Fernandes|Rua Doutor Quirino|"
        "Rua Professora Maria Augusta|Rua Castro Alves|Rua Rui Barbosa|Rua Machado de Assis|Rua Olavo Bilac|"
        "Avenida Santos Dumont|Rua Monteiro Lobato|Rua Cecília Meireles|Rua Anita Garibaldi|"
        "Rua Bento Gonçalves|Rua General Osório|Avenida Beira-Mar|Rua do Comércio|Rua da Matriz|"
        "Rua Nossa Senhora Aparecida|Rua Santa Catarina|Rua Goiás|Avenida São João|Rua Joaquim Nabuco|"
        "Rua Princesa Isabel|Rua Voluntários da Pátria|Avenida das Nações|Rua Jequitibá|Rua Ametista");
    return all;
}

const QStringList &BrazilNames::addressComplements()
{
    static const QStringList all = words("Apto 12|Apto 42|Apto 103|Apto 1504|Bloco B Apto 21|Bloco 3 Apto 204|Casa 2|"
                                         "Casa dos fundos|Fundos|Sobrado|Sala 5|Térreo|Conjunto 8|Lote 14 Quadra C");
    return all;
}

const QStringList &BrazilNames::referencePoints()
{
    static const QStringList all = words("Próximo à padaria|Em frente à escola estadual|Ao lado do posto de saúde|"
                                         "Esquina com a farmácia|Perto do ponto final do ônibus|"
                                         "Atrás da igreja matriz|Portão azul");
    return all;
}

const QStringList &BrazilNames::costCentres()
{
    static const QStringList all = words(
        "Administrativo|Produção|Cozinha Industrial|Manutenção|Logística|Recursos Humanos|Financeiro|Comercial|"
        "Qualidade|Tecnologia da Informação|Segurança do Trabalho|Almoxarifado|Expedição|Diretoria|Enfermagem|"
        "Laboratório|Portaria|Limpeza e Conservação|Engenharia|Atendimento ao Cliente|Pesquisa e Desenvolvimento|"
        "Jurídico|Compras|Transporte|Controladoria|Marketing");
    return all;
}

const QStringList &BrazilNames::consumerNotes()
{
    static const QStringList all = words("Restrição alimentar: sem glúten|Vegetariano|Vegano|"
                                         "Diabético: dieta sem açúcar|Alergia a amendoim|Intolerância à lactose|"
                                         "Hipertenso: refeição com pouco sal|Alergia a frutos do mar");
    return all;
}

const QStringList &BrazilNames::mailProviders()
{
    static const QStringList all = words("gmail.com|hotmail.com|yahoo.com.br|outlook.com|uol.com.br|bol.com.br|"
                                         "terra.com.br|ig.com.br");
    return all;
}

} // namespace cns
