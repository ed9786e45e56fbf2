e0(4).
e0(4).
e0(0).
e0(2).
e0(1).
e0(2).
e0(4).
e1(1).
e1(0).
e1(3).
e1(3).
e1(1).
e1(4).
m_ma(4,0).
s_sb(0,4).
s_sb(2,2).
isa(2,k0).
isa(3,k0).
isa(3,k0).
isa(3,k1).
isa(2,k1).
isa(0,k1).
sub(4,k2).
sub(3,k3).
sub(k0,k1).
sub(k1,k2).
sub(k1,k3).
cr(k0).
cr(k1).
cr(k2).
cr(k3).
subc(X,Y) :- sub(X,Y).
subc(X,Z) :- sub(X,Y), subc(Y,Z).
member(X,C) :- isa(X,C).
member(X,C) :- isa(X,D), subc(D,C).
#show member/2.
#show subc/2.
inh_f0(X,0) :- member(X,k0).
inh_f3(X,2) :- member(X,k3).
aux1(G1_0,V0) :- e1(V0), m_ma(0,V0), e1(G1_0), not m_ma(1,G1_0).
s_s0(V0,V1) :- m_ma(V0,V1), subc(V0,k2), V2 = V0 * 2, V2 <= 6, V2 >= 0, aux1(G1_0,_), N1 = #min{AGG : aux1(G1_0,AGG)}.
s_s0(V1,V1) :- V1 <= 6, V0 >= 0, e0(V0), member(V0,k0), V1 = V0 - V0, subc(2,k0), V1 >= 0.
isa(V0,k0) :- V1 <= 6, V0 >= 0, e0(V0), member(V0,k0), V1 = V0 - V0, subc(2,k0), V1 >= 0.
p1(V1,V0) :- member(V0,k3), not subc(V0,k0), V1 = V0 * 1, V1 <= 6, V1 >= 0.
aux2(V0) :- member(V0,k2), subc(V0,k2), not e1(V0).
p2(V0,3) :- member(V0,k1), subc(V0,k1), not inh_f0(V0,4), V1 = V0 - 1, V1 <= 6, V1 >= 0, N2 = #count{AGG : aux2(AGG)}.
p2(V0,V0) :- e1(V0), not member(V0,k2).
p2(V0,V0) :- V0 > V0, inh_f3(V0,V0).
isa(V1,k0) :- s_sb(V0,V1), V0 <= 2.
isa(V2,k0) :- s_sb(V0,V1), member(V2,k2), e0(V3), not e0(V1), V4 = V2 - V1, V4 <= 6, V4 >= 0.
aux3(V1) :- e1(V0), s_sb(V0,V0), not m_ma(V0,V0), V1 = V0 * 2, V1 <= 6, V1 >= 0.
isa(N3,k0) :- subc(3,k0), e0(V0), V1 = V0 - 1, V1 <= 6, V1 >= 0, aux3(_), N3 = #min{AGG : aux3(AGG)}.
aux4(V1) :- m_ma(V0,V0), not s_sb(V0,3), V0 >= 0, V1 = V0 * 1, V1 <= 6, V1 >= 0.
isa(N4,k1) :- member(V0,k2), member(V0,k1), e0(V0), not s_sb(V0,V0), aux4(_), N4 = #min{AGG : aux4(AGG)}.
isa(V0,k2) :- s_sb(V0,V0), subc(V0,k2), subc(V0,k0), not s_sb(V0,V0), V0 <= V0, V1 = V0 * V0, V1 <= 6, V1 >= 0.
isa(V0,k2) :- member(V0,k1), not e0(V0), V1 = V0 + 1, V1 <= 6, V1 >= 0.
isa(V0,k2) :- s_s0(V0,V1).
aux5(G5_0,V1) :- inh_f0(V0,4), m_ma(0,V0), inh_f0(V1,G5_0), V1 < 3.
isa(N5,k3) :- subc(1,k3), not member(0,k2), aux5(G5_0,_), N5 = #sum{AGG : aux5(G5_0,AGG)}.
aux6(G6_0,V0) :- e1(V0), m_ma(V0,G6_0), subc(G6_0,k0), not e0(V0).
sub(V0,k3) :- p1(V0,V0), aux6(G6_0,_), N6 = #max{AGG : aux6(G6_0,AGG)}.
aux7(G7_0,V0) :- e0(V0), V0 >= V0, G7_0 = V0 - 2, G7_0 <= 6, G7_0 >= 0.
sub(N7,k3) :- m_ma(V0,V0), not inh_f0(V0,V0), V0 < 3, aux7(G7_0,_), N7 = #count{AGG : aux7(G7_0,AGG)}.
sub(V2,k3) :- member(3,k0), p1(V0,V0), member(V1,k0), V2 = V0 + 2, V2 <= 6, V2 >= 0.
sub(k1,k2) :- e1(V2), not e1(0), member(0,k1), s_sb(V0,V1).
p1(V4,V1) :- p2(V0,V1), member(V2,k1), e0(V3), not m_ma(3,0), V4 = V2 + 1, V4 <= 6, V4 >= 0, cr(C), member(V1,C).
#show e0/1.
#show e1/1.
#show m_ma/2.
#show s_sb/2.
#show s_s0/2.
#show p1/2.
#show p2/2.
